#include "app/status.h"

#include <algorithm>
#include <list>
#include <string>
#include <vector>

struct status_pane {
    int weight;
    std::string text;
};

namespace {

constexpr int grip_width = 15;

struct status_state {
    std::list<status_pane> panes;
    int width = 0;
    status_view view{};
};

status_state state;

void apply()
{
    std::vector<int> edges(state.panes.size());
    int n = status_edges(state.width, edges.data(), static_cast<int>(edges.size()));
    std::vector<const char*> texts;
    for (const status_pane& p : state.panes)
        texts.push_back(p.text.c_str());
    if (state.view.set_parts)
        state.view.set_parts(edges.data(), texts.data(), n);
}

}  // namespace

void status_set_view(const status_view& view)
{
    state.view = view;
}

void status_init(int width)
{
    state.width = width;
    apply();
}

status_pane* status_add(int weight)
{
    state.panes.push_back({weight, {}});
    apply();
    return &state.panes.back();
}

void status_remove(status_pane* pane)
{
    state.panes.remove_if([pane](const status_pane& p) { return &p == pane; });
    apply();
}

void status_change(status_pane* pane, const char* text)
{
    int index = 0;
    for (status_pane& p : state.panes) {
        if (&p == pane) {
            p.text = text ? text : "";
            if (state.view.set_text)
                state.view.set_text(index, p.text.c_str());
            return;
        }
        ++index;
    }
}

void status_layout(int width)
{
    state.width = width;
    apply();
}

int status_edges(int width, int* edges, int max_edges)
{
    long total = 0;
    for (const status_pane& p : state.panes)
        total += p.weight;
    int n = 0;
    long edge = 0;
    for (const status_pane& p : state.panes) {
        if (n >= max_edges)
            break;
        if (total > 0)
            edge += static_cast<long>(p.weight) * std::max(width - grip_width, 0) / total;
        edges[n++] = static_cast<int>(edge);
    }
    if (n > 0 && n == static_cast<int>(state.panes.size()))
        edges[n - 1] += grip_width;
    return n;
}

void status_term()
{
    state.panes.clear();
    apply();
}
