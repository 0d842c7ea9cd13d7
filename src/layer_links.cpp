// The program of a layer's link check: it links the whole layer and the
// layers below it, and does nothing.
int main()
{
    return 0;
}
