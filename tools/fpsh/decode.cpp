// Decoders: hex bytes from the command line or a file, checked against the
// size of the record they claim to be, then printed by the library's dumps.
// A record is copied into a block of exactly its size, so a dump can never
// read past what was given.
#include <cstddef>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <memory>

#include "shell.h"
#include "ss_fp_appmng_dump.h"
#include "ss_fp_tcam_dump.h"

namespace fpsh {
namespace {

constexpr size_t kMaxInput = 1 << 20;

uint16_t load_u16(const uint8_t *p) {
    uint16_t v;
    std::memcpy(&v, p, sizeof v);
    return v;
}

// Value bytes after the head of a record with two 16-bit length fields.
template <typename Rec>
size_t value_bytes(const uint8_t *head) {
    return size_t{load_u16(head + offsetof(Rec, rule_len))} + load_u16(head + offsetof(Rec, action_len));
}

struct Kind {
    const char *name;
    size_t head;                        // fixed part
    size_t (*values)(const uint8_t *);  // variable part after the head, from the head; null for none
    int (*dump)(const void *);
};

template <typename Rec, int (*Dump)(const Rec *)>
int dump_as(const void *p) {
    return Dump(static_cast<const Rec *>(p));
}

int dump_pbmp(const void *p) { return ss_fp_dump_pbmp(static_cast<const uint32_t *>(p)); }

const Kind kKinds[] = {
    {"acl", sizeof(ss_fp_appmng_acl_t), nullptr, dump_as<ss_fp_appmng_acl_t, ss_fp_appmng_dump_acl>},
    {"ace", sizeof(ss_fp_appmng_ace_t), value_bytes<ss_fp_appmng_ace_t>,
     dump_as<ss_fp_appmng_ace_t, ss_fp_appmng_dump_ace>},
    {"tlv", sizeof(ss_fp_appmng_ace_tlv_t), value_bytes<ss_fp_appmng_ace_tlv_t>,
     dump_as<ss_fp_appmng_ace_tlv_t, ss_fp_appmng_dump_ace_tlv>},
    {"apply", sizeof(ss_fp_appmng_apply_t), value_bytes<ss_fp_appmng_apply_t>,
     dump_as<ss_fp_appmng_apply_t, ss_fp_appmng_dump_apply>},
    {"key", sizeof(key_info_t), nullptr, dump_as<key_info_t, dump_key_info>},
    {"vag", sizeof(vag_para_t), nullptr, dump_as<vag_para_t, dump_vag_para>},
    {"comparator", sizeof(comparator_para_t), nullptr, dump_as<comparator_para_t, dump_comparator_para>},
    {"udf", sizeof(udf_para_t), nullptr, dump_as<udf_para_t, dump_udf_para>},
    {"meter", sizeof(meter_para_t), nullptr, dump_as<meter_para_t, dump_meter_para>},
    {"pbmp", SS_FP_TCAM_PBMP_WORDS * sizeof(uint32_t), nullptr, dump_pbmp},
    {"cnter", sizeof(cnter_para_t), nullptr, dump_as<cnter_para_t, dump_cnter_para>},
    {"bind", sizeof(bind_info_para_t), nullptr, dump_as<bind_info_para_t, dump_bind_info_para>},
};

// A block of exactly 'n' bytes (at least one), aligned for any record.
using Block = std::unique_ptr<uint8_t, decltype(&std::free)>;
Block copy_of(const uint8_t *p, size_t n) {
    Block b(static_cast<uint8_t *>(std::malloc(n > 0 ? n : 1)), &std::free);
    if (b != nullptr && n > 0) std::memcpy(b.get(), p, n);
    return b;
}

// Whether the bytes are exactly one record of 'k', values included.
bool check_size(const Kind &k, const uint8_t *p, size_t n, std::string &error) {
    size_t need = k.head;
    if (n >= k.head && k.values != nullptr) need += k.values(p);
    if (n == need) return true;
    error = std::string(k.name) + (n < need ? " needs " : " is ") + std::to_string(need) + " bytes, got " +
            std::to_string(n);
    return false;
}

// An entry, optionally followed by the rule and action block it points to.
bool decode_tcam(const std::vector<uint8_t> &bytes, std::string &error) {
    const size_t head = sizeof(tcam_entry_para_t);
    if (bytes.size() < head) {
        error = "tcam needs " + std::to_string(head) + " bytes, got " + std::to_string(bytes.size());
        return false;
    }
    Block tlv(nullptr, &std::free);
    if (bytes.size() > head) {
        if (!check_size(kKinds[2], bytes.data() + head, bytes.size() - head, error)) {
            error = "the block after the tcam entry: " + error;
            return false;
        }
        tlv = copy_of(bytes.data() + head, bytes.size() - head);
    }
    tcam_entry_para_t entry;
    std::memcpy(&entry, bytes.data(), head);
    entry.ace_tlv = reinterpret_cast<ss_fp_appmng_ace_tlv_t *>(tlv.get());
    dump_tcam_entry_para(&entry);
    return true;
}

}  // namespace

const char *const kDecodeKinds[] = {"rule",       "action", "acl",   "ace",  "tlv",  "apply", "key",  "vag",
                                    "comparator", "udf",    "meter", "pbmp", "tcam", "cnter", "bind", nullptr};

bool read_hex(const Args &words, std::vector<uint8_t> &out, std::string &error) {
    std::string text;
    if (words.size() == 1 && words[0].size() > 1 && words[0][0] == '@') {
        std::ifstream in(words[0].substr(1), std::ios::binary);
        if (!in) {
            error = "cannot read " + words[0].substr(1);
            return false;
        }
        text.resize(3 * kMaxInput + 1);  // enough for the largest input, and one more to see it is larger
        in.read(&text[0], static_cast<std::streamsize>(text.size()));
        text.resize(static_cast<size_t>(in.gcount()));
    } else {
        for (const std::string &w : words) text += w + " ";
    }
    if (text.size() > 3 * kMaxInput) {
        error = "more than " + std::to_string(kMaxInput) + " bytes";
        return false;
    }
    out.clear();
    int high = -1;  // the first digit of a byte, while its second is awaited
    for (size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        const bool separator = c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == ':';
        if (separator && high >= 0) {
            error = "a byte needs two hex digits (character " + std::to_string(i) + ")";
            return false;
        }
        if (separator) continue;
        if (high < 0 && c == '0' && i + 1 < text.size() && (text[i + 1] == 'x' || text[i + 1] == 'X')) {
            ++i;
            continue;
        }
        const int v = c >= '0' && c <= '9'   ? c - '0'
                      : c >= 'a' && c <= 'f' ? c - 'a' + 10
                      : c >= 'A' && c <= 'F' ? c - 'A' + 10
                                             : -1;
        if (v < 0) {
            error = std::string("bad hex digit '") + (c > ' ' && c < 127 ? std::string(1, c) : "?") +
                    "' at character " + std::to_string(i + 1);
            return false;
        }
        if (high < 0) {
            high = v;
        } else {
            out.push_back(static_cast<uint8_t>(high << 4 | v));
            high = -1;
        }
    }
    if (high >= 0) error = "odd number of hex digits";
    return high < 0;
}

bool decode(const std::string &kind, uint32_t flag, const std::vector<uint8_t> &bytes, std::string &error) {
    if (kind == "rule" || kind == "action") {
        const bool rule = kind == "rule";
        const size_t need = rule ? ss_fp_rule_value_len(flag) : ss_fp_action_value_len(flag);
        if (bytes.size() != need) {
            error = kind + " " + std::to_string(flag) + " has " + std::to_string(need) + " value bytes, got " +
                    std::to_string(bytes.size());
            return false;
        }
        Block b = copy_of(bytes.data(), bytes.size());
        if (rule)
            ss_fp_appmng_dump_rule(flag, b.get());
        else
            ss_fp_appmng_dump_action(flag, b.get());
        return true;
    }
    if (kind == "tcam") return decode_tcam(bytes, error);
    for (const Kind &k : kKinds) {
        if (kind != k.name) continue;
        if (!check_size(k, bytes.data(), bytes.size(), error)) return false;
        Block b = copy_of(bytes.data(), bytes.size());
        k.dump(b.get());
        return true;
    }
    error = "no record kind " + kind;
    return false;
}

}  // namespace fpsh
