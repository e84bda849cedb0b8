/*
 * The debug-shell command table: what modules register through
 * ssat_reg_mod_cmd, listed for a shell program and run by it.
 *
 * A command never changes after it is made and is never freed, so the strings
 * ssat_cmd_get hands out, and the handler ssat_cmd_run calls outside the lock,
 * stay valid whatever registrations happen meanwhile.
 */
#include <cstdlib>
#include <cstring>
#include <new>

#include "plat_internal.h"
#include "ss_fp_platform.h"

namespace {

struct Cmd {
    Cmd *older;      /* Command made before this one (the list of all ever made). */
    uint64_t module; /* Module reference. */
    char *name;      /* Owned copy of the command name. */
    char *tmpl;      /* Owned copy of the argument template. */
    char *arg_name;  /* Owned argument name, parsed from 'tmpl'. */
    char conv;       /* 'd' or 'x', parsed from 'tmpl'. */
    int flags;       /* As registered. */
    void *handler;   /* Called as int (*)(uint32_t). */
};

/* All of the following is guarded by 'table_mutex'. 'table' holds the current
 * commands in registration order; 'made' keeps every command reachable,
 * replaced ones included. */
pthread_mutex_t table_mutex = PTHREAD_MUTEX_INITIALIZER;
Cmd **table;
size_t table_len, table_cap;
Cmd *made;

void destroy(Cmd *c) {
    if (c == nullptr) return;
    free(c->name);
    free(c->tmpl);
    free(c->arg_name);
    delete c;
}

bool blank(char ch) { return ch == ' ' || ch == '\t'; }

/* "name=%d..." or "name=%x...": the name is not empty and has no blanks. */
bool parse_template(const char *t, size_t *name_len, char *conv) {
    const char *eq = strchr(t, '=');
    if (eq == nullptr || eq == t || eq[1] != '%' || (eq[2] != 'd' && eq[2] != 'x')) return false;
    for (const char *p = t; p < eq; p++)
        if (blank(*p) || *p == '\n' || *p == '%') return false;
    *name_len = static_cast<size_t>(eq - t);
    *conv = eq[2];
    return true;
}

int digit_value(char ch, int base) {
    int v = ch >= '0' && ch <= '9'   ? ch - '0'
            : ch >= 'a' && ch <= 'f' ? ch - 'a' + 10
            : ch >= 'A' && ch <= 'F' ? ch - 'A' + 10
                                     : 99;
    return v < base ? v : -1;
}

/* Parses [p, end) as the whole value; see ssat_cmd_run for the forms. */
bool parse_value(const char *p, const char *end, char conv, uint32_t *out) {
    bool neg = false;
    int base = 10;
    uint64_t limit = 0x7fffffffu;
    if (conv == 'x') {
        base = 16;
        limit = 0xffffffffu;
        if (end - p >= 2 && p[0] == '0' && (p[1] == 'x' || p[1] == 'X')) p += 2;
    } else if (p < end && (*p == '+' || *p == '-')) {
        neg = *p++ == '-';
        if (neg) limit = 0x80000000u;
    }
    if (p == end) return false;
    uint64_t v = 0;
    for (; p < end; p++) {
        int d = digit_value(*p, base);
        if (d < 0) return false;
        v = v * static_cast<uint64_t>(base) + static_cast<uint64_t>(d);
        if (v > limit) return false;
    }
    *out = neg ? static_cast<uint32_t>(0u - static_cast<uint32_t>(v)) : static_cast<uint32_t>(v);
    return true;
}

bool parse_arg(const char *text, const char *arg_name, char conv, uint32_t *out) {
    while (blank(*text)) text++;
    const char *end = text + strlen(text);
    while (end > text && blank(end[-1])) end--;
    const char *eq = static_cast<const char *>(memchr(text, '=', static_cast<size_t>(end - text)));
    if (eq != nullptr) {
        size_t n = static_cast<size_t>(eq - text);
        if (n != strlen(arg_name) || strncmp(text, arg_name, n) != 0) return false;
        text = eq + 1;
    }
    return parse_value(text, end, conv, out);
}

/* Index of the command of 'module' and 'name' in 'table', or table_len. */
size_t find_locked(uint64_t module, const char *name) {
    size_t i = 0;
    while (i < table_len && !(table[i]->module == module && strcmp(table[i]->name, name) == 0)) i++;
    return i;
}

}  // namespace

extern "C" int ssat_reg_mod_cmd(uint64_t module, const char *name, int flags, const char *arg_template, void *handler) {
    size_t arg_len;
    char conv;
    if (name == nullptr || *name == '\0' || arg_template == nullptr || handler == nullptr ||
        !parse_template(arg_template, &arg_len, &conv))
        return -1;
    Cmd *c = new (std::nothrow)
        Cmd{nullptr, module, strdup(name), strdup(arg_template), strndup(arg_template, arg_len), conv, flags, handler};
    if (c == nullptr || c->name == nullptr || c->tmpl == nullptr || c->arg_name == nullptr) {
        destroy(c);
        return -1;
    }

    plat::Lock lock(table_mutex);
    size_t i = find_locked(module, name);
    if (i == table_len) {
        if (table_len == table_cap) {
            size_t cap = table_cap ? 2 * table_cap : 16;
            Cmd **grown =
                static_cast<Cmd **>(realloc(table, cap * sizeof *table));  // NOLINT(bugprone-sizeof-expression)
            if (grown == nullptr) {
                destroy(c);
                return -1;
            }
            table = grown;
            table_cap = cap;
        }
        table_len++;
    }
    table[i] = c;
    c->older = made;
    made = c;
    return 0;
}

extern "C" size_t ssat_cmd_count(void) {
    plat::Lock lock(table_mutex);
    return table_len;
}

extern "C" int ssat_cmd_get(size_t index, ssat_cmd_info_t *info) {
    if (info == nullptr) return -1;
    plat::Lock lock(table_mutex);
    if (index >= table_len) return -1;
    const Cmd *c = table[index];
    *info = ssat_cmd_info_t{c->module, c->name, c->tmpl, c->arg_name, c->conv, c->flags};
    return 0;
}

extern "C" int ssat_cmd_run(uint64_t module, const char *name, const char *arg_text, int *result) {
    if (name == nullptr) return -1;
    const Cmd *c;
    {
        plat::Lock lock(table_mutex);
        size_t i = find_locked(module, name);
        if (i == table_len) return -1;
        c = table[i];
    }
    uint32_t v;
    if (arg_text == nullptr || !parse_arg(arg_text, c->arg_name, c->conv, &v)) return -2;
    int r = reinterpret_cast<int (*)(uint32_t)>(c->handler)(v);
    if (result != nullptr) *result = r;
    return 0;
}
