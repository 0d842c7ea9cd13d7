// Reading action texts into programs: the scanner and one reader per command.
#include "behavior/action.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <iterator>
#include <string_view>

#include "base/text.h"

namespace {

enum class token_kind : uint8_t { end, string, plus, comma, minus, semicolon, number, word };

struct token {
    token_kind kind = token_kind::end;
    uint8_t offset = 0, length = 0;
    double value = 0;

    bool wordlike() const { return kind == token_kind::word || kind == token_kind::string; }
    bool value_start() const
    {
        return kind == token_kind::number || kind == token_kind::plus || kind == token_kind::minus;
    }
};

bool blank(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f';
}

bool digit(char c)
{
    return c >= '0' && c <= '9';
}

bool starts_with_word(std::string_view a, std::string_view prefix)
{
    return a.size() >= prefix.size() && text_same(a.substr(0, prefix.size()), prefix);
}

// The decimal value of a run of digits with at most one point; too large
// reads as infinity, too small as 0.
double decimal(const char* p, size_t n)
{
    double v = 0;
    auto [end, ec] = std::from_chars(p, p + n, v, std::chars_format::fixed);
    if (ec == std::errc::result_out_of_range) {
        bool whole = false;
        for (size_t i = 0; i < n && p[i] != '.'; ++i)
            whole = whole || p[i] != '0';
        v = whole ? HUGE_VAL : 0;
    }
    return v;
}

class scanner {
public:
    scanner(const char* text, size_t length) : text_(text), length_(length) {}

    // The next token; `number` where a number may come.
    token next(bool number = false)
    {
        while (at_ < length_ && blank(text_[at_]))
            ++at_;
        token t;
        t.offset = static_cast<uint8_t>(at_);
        if (at_ >= length_)
            return t;
        char c = text_[at_];
        if (c == '"') {
            size_t start = ++at_;
            while (at_ < length_ && text_[at_] != '"')
                ++at_;
            t = {token_kind::string, static_cast<uint8_t>(start), static_cast<uint8_t>(at_ - start)};
            if (at_ < length_)
                ++at_;
            return t;
        }
        if (c == '+' || c == '-' || c == ',' || c == ';') {
            ++at_;
            t.kind = c == '+'   ? token_kind::plus
                     : c == '-' ? token_kind::minus
                     : c == ',' ? token_kind::comma
                                : token_kind::semicolon;
            t.length = 1;
            return t;
        }
        if (number && (digit(c) || c == '.') && read_number(&t))
            return t;
        size_t start = at_;
        while (at_ < length_ && text_[at_] != ';' && text_[at_] != ',' && !blank(text_[at_]))
            ++at_;
        t.kind = token_kind::word;
        t.length = static_cast<uint8_t>(at_ - start);
        return t;
    }

    token peek(bool number = false)
    {
        size_t at = at_;
        token t = next(number);
        at_ = at;
        return t;
    }

    std::string_view view(const token& t) const { return {text_ + t.offset, t.length}; }
    std::string_view view(action_text t) const { return {text_ + t.offset, t.length}; }
    size_t at() const { return at_; }
    const char* text() const { return text_; }
    size_t length() const { return length_; }

private:
    // Digits with at most one point, which a digit must follow; anything
    // else is left to be read again as a word.
    bool read_number(token* t)
    {
        size_t q = at_;
        bool point = false;
        while (q < length_ && (digit(text_[q]) || text_[q] == '.')) {
            if (text_[q] == '.') {
                if (point || q + 1 >= length_ || !digit(text_[q + 1]))
                    return false;
                point = true;
            }
            ++q;
        }
        t->kind = token_kind::number;
        t->length = static_cast<uint8_t>(q - at_);
        t->value = decimal(text_ + at_, q - at_);
        at_ = q;
        return true;
    }

    const char* text_;
    size_t length_;
    size_t at_ = 0;
};

constexpr std::string_view trigger_words[] = {"create", "activate", "bump", "adone"};
constexpr std::string_view command_words[] = {
    "sound", "noise", "url",    "teleport", "warp",  "visible", "solid",  "name",
    "avatars", "animate", "frame", "astart", "astop", "sign",    "cursor", "picture"};

bool boolean(std::string_view w, bool* value)
{
    for (std::string_view yes : {"on", "true", "yes"}) {
        if (text_same(w, yes))
            return *value = true;
    }
    for (std::string_view no : {"off", "false", "no"}) {
        if (text_same(w, no)) {
            *value = false;
            return true;
        }
    }
    return false;
}

action_text slice(const token& t)
{
    return {t.offset, t.length};
}

// Reads the commands of one clause or one posted command.
class reader {
public:
    reader(scanner& s, action_program* p) : s_(s), p_(*p) {}

    // The commands up to the clause's end; false when one had an error.
    // `trailing` when the clause ended on a token other than end or ';'.
    bool clause(action_clause* c)
    {
        c->first = static_cast<uint16_t>(p_.commands.size());
        for (;;) {
            token t = s_.next();
            if (t.kind == token_kind::end)
                break;
            if (!t.wordlike() || !command(t))
                return false;
            token after = s_.peek();
            if (after.kind != token_kind::comma) {
                c->trailing = after.kind != token_kind::end && after.kind != token_kind::semicolon;
                break;
            }
            s_.next();
        }
        return true;
    }

    // One command from its word on: stored when it had no error.
    bool command(const token& word)
    {
        size_t code = 0;
        while (code < std::size(command_words) && !text_same(s_.view(word), command_words[code]))
            ++code;
        if (code == std::size(command_words))
            return false;
        action_command c;
        c.code = static_cast<action_code>(code);
        c.numbers = static_cast<uint16_t>(p_.numbers.size());
        if (!arguments(&c, word)) {
            p_.numbers.resize(c.numbers);
            return false;
        }
        p_.commands.push_back(c);
        return true;
    }

private:
    bool arguments(action_command* c, const token& word)
    {
        switch (c->code) {
        case action_sound:
        case action_noise:
        case action_url:
        case action_name: return one_word(&c->word);
        case action_teleport:
        case action_warp: return place(c, word);
        case action_visible:
        case action_solid: return target_and_boolean(c);
        case action_avatars:
        case action_cursor: return one_boolean(c);
        case action_animate: return animate(c);
        case action_frame: return frame(c);
        case action_astart: return astart(c);
        case action_astop:
            if (s_.peek().wordlike())
                c->target = slice(s_.next());
            return true;
        case action_sign: return sign(c);
        case action_picture: return picture(c);
        }
        return false;
    }

    bool one_word(action_text* out)
    {
        token t = s_.next();
        *out = slice(t);
        return t.wordlike();
    }

    bool one_boolean(action_command* c)
    {
        token t = s_.next();
        bool on = false;
        if (!t.wordlike() || !boolean(s_.view(t), &on))
            return false;
        c->flags |= on ? action_on : 0;
        return true;
    }

    // [target name] boolean.
    bool target_and_boolean(action_command* c)
    {
        token first = s_.next();
        if (!first.wordlike())
            return false;
        token second = s_.peek();
        bool on = false;
        if (second.wordlike() && boolean(s_.view(second), &on)) {
            s_.next();
            c->target = slice(first);
        } else if (!boolean(s_.view(first), &on)) {
            return false;
        }
        c->flags |= on ? action_on : 0;
        return true;
    }

    // A number, with an optional sign before it; `relative` when signed.
    bool value(double* v, bool* relative)
    {
        token t = s_.next(true);
        *relative = t.kind == token_kind::plus || t.kind == token_kind::minus;
        double sign = t.kind == token_kind::minus ? -1 : 1;
        if (*relative)
            t = s_.next(true);
        *v = sign * t.value;
        return t.kind == token_kind::number;
    }

    // A word whose first letter is one of the two; `second` when it is the
    // second. 0 for another letter, -1 for no word.
    int direction(char first, char second, bool* is_second)
    {
        token t = s_.next();
        if (!t.wordlike())
            return -1;
        char c = t.length ? text_lower_char(s_.view(t)[0]) : 0;
        *is_second = c == second;
        return c == first || c == second ? 1 : 0;
    }

    // teleport [world] [coordinates]; warp coordinates.
    bool place(action_command* c, const token& word)
    {
        size_t from = static_cast<size_t>(word.offset) + word.length;
        while (from < s_.length() && blank(s_.text()[from]))
            ++from;
        size_t to = from;
        while (to < s_.length() && s_.text()[to] != ';')
            ++to;
        c->rest = {static_cast<uint8_t>(from), static_cast<uint8_t>(to - from)};
        p_.numbers.insert(p_.numbers.end(), {0, 0, 0.1, 0});
        double* n = &p_.numbers[c->numbers];
        token t = s_.peek(true);
        if (c->code == action_teleport && !t.value_start()) {
            if (!t.wordlike())
                return false;
            c->word = slice(s_.next());
            token k = s_.peek(true);
            if (k.kind == token_kind::end || k.kind == token_kind::comma ||
                k.kind == token_kind::semicolon)
                return true;
        }
        c->flags |= action_coordinates;
        bool relative, r, flip;
        if (!value(&n[0], &relative))
            return false;
        if (relative) {
            c->flags |= action_relative;
            if (!value(&n[1], &r))
                return false;
            if (!r)
                return abandon(c);
        } else {
            int d = direction('n', 's', &flip);
            if (d <= 0)
                return d == 0 ? abandon(c) : false;
            n[0] = flip ? -n[0] : n[0];
            if (!value(&n[1], &r))
                return false;
            if (r)
                return abandon(c);
            d = direction('w', 'e', &flip);
            if (d <= 0)
                return d == 0 ? abandon(c) : false;
            n[1] = flip ? -n[1] : n[1];
        }
        return altitude_and_yaw(c, n, relative);
    }

    // An optional value: the altitude when a word beginning with "a"
    // follows it, with an optional yaw after that; else the yaw.
    bool altitude_and_yaw(action_command* c, double* n, bool relative)
    {
        if (!s_.peek(true).value_start())
            return true;
        double third;
        bool r;
        if (!value(&third, &r))
            return false;
        if (r != relative)
            return abandon(c);
        token after = s_.peek();
        if (!after.wordlike()) {
            n[3] = third;
            c->flags |= action_yaw;
            return true;
        }
        if (after.length == 0 || text_lower_char(s_.view(after)[0]) != 'a')
            return false;
        s_.next();
        n[2] = third;
        c->flags |= action_altitude;
        if (!s_.peek(true).value_start())
            return true;
        if (!value(&n[3], &r))
            return false;
        if (r != relative)
            return abandon(c);
        c->flags |= action_yaw;
        return true;
    }

    bool abandon(action_command* c)
    {
        c->flags |= action_void;
        return true;
    }

    bool number(double* v)
    {
        token t = s_.next(true);
        *v = t.value;
        return t.kind == token_kind::number;
    }

    // A keyword's value: the rest of the word after "=", or the next token.
    bool keyword_value(const token& t, size_t keyword, action_text* out)
    {
        if (t.length > keyword) {
            *out = {static_cast<uint8_t>(t.offset + keyword), static_cast<uint8_t>(t.length - keyword)};
            return true;
        }
        token v = s_.next();
        *out = slice(v);
        return v.wordlike();
    }

    bool keyword_number(const token& t, size_t keyword, double* out)
    {
        action_text v;
        if (!keyword_value(t, keyword, &v))
            return false;
        scanner digits(s_.text() + v.offset, v.length);
        token n = digits.next(true);
        *out = n.value;
        return n.kind == token_kind::number && n.length == v.length;
    }

    // The keywords of a command, each at most once, and one plain word;
    // `keywords` ends with an empty one. Returns the keyword's index, the
    // count for the plain word, -1 when the arguments end, -2 on an error.
    int keyword(const std::string_view* keywords, unsigned* seen, token* t)
    {
        *t = s_.peek();
        if (!t->wordlike())
            return -1;
        int k = 0;
        for (; !keywords[k].empty(); ++k) {
            if (t->kind == token_kind::word && starts_with_word(s_.view(*t), keywords[k]))
                break;
        }
        if (*seen & (1u << k))
            return keywords[k].empty() ? -1 : -2;
        *seen |= 1u << k;
        s_.next();
        return k;
    }

    // sign [text] [color=] [bcolor=] [name=].
    bool sign(action_command* c)
    {
        static constexpr std::string_view keywords[] = {"color=", "bcolor=", "name=", ""};
        action_text* places[] = {&c->color, &c->bcolor, &c->target};
        unsigned seen = 0;
        token t;
        for (;;) {
            int k = keyword(keywords, &seen, &t);
            if (k == -1)
                return true;
            if (k == -2)
                return false;
            if (k == 3)
                c->word = slice(t);
            else if (!keyword_value(t, keywords[k].size(), places[k]))
                return false;
        }
    }

    // picture [name=] [update=] address.
    bool picture(action_command* c)
    {
        static constexpr std::string_view keywords[] = {"name=", "update=", ""};
        p_.numbers.push_back(0);
        unsigned seen = 0;
        token t;
        for (;;) {
            int k = keyword(keywords, &seen, &t);
            if (k == -1)
                return c->word.length > 0;
            if (k == -2)
                return false;
            if (k == 2)
                c->word = slice(t);
            else if (k == 0 ? !keyword_value(t, 5, &c->target)
                            : !keyword_number(t, 7, &p_.numbers[c->numbers]))
                return false;
        }
    }

    // animate [tag=] [nomask] target base pictures frames delay [pictures...].
    bool animate(action_command* c)
    {
        p_.numbers.insert(p_.numbers.end(), {0, 0, 0, 0});
        unsigned seen = 0;
        for (token t = s_.peek(); t.kind == token_kind::word; t = s_.peek()) {
            std::string_view w = s_.view(t);
            int k = starts_with_word(w, "tag=") ? 0 : text_same(w, "nomask") ? 1 : -1;
            if (k < 0)
                break;
            if (seen & (1u << k))
                return false;
            seen |= 1u << k;
            s_.next();
            if (k == 1)
                c->flags |= action_nomask;
            else if (!keyword_number(t, 4, &p_.numbers[c->numbers]))
                return false;
        }
        token target = s_.next();
        if (!target.wordlike() || !one_word(&c->word))
            return false;
        if (!text_same(s_.view(target), "me"))
            c->target = slice(target);
        for (int i = 1; i < 4; ++i) {
            if (!number(&p_.numbers[c->numbers + i]))
                return false;
        }
        double pictures = p_.numbers[c->numbers + 1], frames = p_.numbers[c->numbers + 2];
        if (pictures < 1 || frames < 1)
            return abandon(c);
        if (s_.peek(true).kind != token_kind::number) {
            c->flags |= action_in_order;
            return frames == pictures;
        }
        // Each listed number takes at least two bytes of the text, so a
        // list longer than the text can hold breaks off.
        for (double i = 0; i < frames; ++i) {
            double v;
            if (!number(&v))
                return false;
            p_.numbers.push_back(v);
            ++c->count;
        }
        return true;
    }

    // frame [target name] [+|-] number.
    bool frame(action_command* c)
    {
        token t = s_.next(true);
        if (t.wordlike()) {
            c->target = slice(t);
            t = s_.next(true);
        }
        double sign = 1;
        if (t.kind == token_kind::plus || t.kind == token_kind::minus) {
            c->flags |= action_relative;
            sign = t.kind == token_kind::minus ? -1 : 1;
            t = s_.next(true);
        }
        p_.numbers.push_back(sign * t.value);
        return t.kind == token_kind::number;
    }

    // astart [boolean] [target name] [boolean].
    bool astart(action_command* c)
    {
        bool on = false;
        token t = s_.peek();
        if (t.wordlike() && boolean(s_.view(t), &on)) {
            s_.next();
            t = s_.peek();
        }
        bool named = false;
        if (t.wordlike() && !boolean(s_.view(t), &named)) {
            c->target = slice(s_.next());
            t = s_.peek();
        }
        if (t.wordlike() && boolean(s_.view(t), &on))
            s_.next();
        c->flags |= on ? action_on : 0;
        return true;
    }

    scanner& s_;
    action_program& p_;
};

}  // namespace

void action_parse(const char* text, size_t length, action_program* out)
{
    *out = action_program{};
    scanner s(text, std::min(length, action_limit));
    token first = s.peek();
    out->has_word = first.wordlike();
    if (!out->has_word)
        return;
    if (starts_with_word(s.view(first), "sound:")) {
        out->old_form = true;
        out->old_sound = {static_cast<uint8_t>(first.offset + 6),
                          static_cast<uint8_t>(first.length - 6)};
        return;
    }
    // Clauses are found by skipping token by token to each ';' (one inside
    // a string does not count); each clause's commands are then read from
    // its trigger word on.
    for (;;) {
        token t = s.next();
        action_clause c;
        size_t k = 0;
        while (t.wordlike() && k < std::size(trigger_words) && !text_same(s.view(t), trigger_words[k]))
            ++k;
        if (t.wordlike() && k < std::size(trigger_words)) {
            c.trigger = static_cast<action_trigger>(k);
            scanner commands = s;
            reader r(commands, out);
            c.failed = !r.clause(&c);
            c.count = static_cast<uint16_t>(out->commands.size() - c.first);
        }
        while (t.kind != token_kind::semicolon && t.kind != token_kind::end)
            t = s.next();
        out->clauses.push_back(c);
        if (t.kind == token_kind::end)
            return;
    }
}

void action_parse_command(const char* text, size_t length, action_program* out)
{
    *out = action_program{};
    scanner s(text, std::min(length, action_limit));
    token word = s.next();
    action_clause c;
    reader r(s, out);
    out->has_word = word.wordlike();
    c.failed = !out->has_word || !r.command(word);
    c.count = static_cast<uint16_t>(out->commands.size());
    out->clauses.push_back(c);
}

const action_clause* action_find(const action_program& program, action_trigger trigger)
{
    for (const action_clause& c : program.clauses) {
        if (c.trigger == trigger)
            return &c;
    }
    return nullptr;
}
