// Dumps of the TCAM parameter records. Every line is flushed as soon as it is
// printed: these dumps run from a debug shell while the switch works.
#include <cstddef>
#include <cstdio>
#include <type_traits>

#include "dumps/dump_out.h"
#include "ss_fp_appmng_dump.h"
#include "ss_fp_debug.h"
#include "ss_fp_tcam_dump.h"

namespace fpss {
namespace {

// The layouts are shared with the TCAM modules.
static_assert(std::is_standard_layout_v<key_info_t> && sizeof(key_info_t) == 80);
static_assert(offsetof(key_info_t, id) == 16 && offsetof(key_info_t, has_bmp) == 20);
static_assert(offsetof(key_info_t, rule_flags) == 24 && offsetof(key_info_t, action_flags) == 52);
static_assert(offsetof(key_info_t, width) == 68 && offsetof(key_info_t, key_2_stage_abmp) == 72);
static_assert(offsetof(key_info_t, key_2_udfpool_abmp) == 76);

static_assert(std::is_standard_layout_v<vag_para_t> && sizeof(vag_para_t) == 168);
static_assert(offsetof(vag_para_t, pri) == 0 && offsetof(vag_para_t, vag_id) == 4);
static_assert(offsetof(vag_para_t, key) == 32 && offsetof(vag_para_t, key) + offsetof(key_info_t, id) == 48);
static_assert(offsetof(vag_para_t, udf_pool_bmp) == 160 && offsetof(vag_para_t, udf_chunk_bmp) == 164);

static_assert(std::is_standard_layout_v<comparator_para_t> && sizeof(comparator_para_t) == 36);
static_assert(offsetof(comparator_para_t, id) == 0 && offsetof(comparator_para_t, count) == 4);
static_assert(offsetof(comparator_para_t, comparator_type) == 12 && offsetof(comparator_para_t, min) == 20);
static_assert(offsetof(comparator_para_t, max) == 28);

static_assert(std::is_standard_layout_v<udf_para_t> && sizeof(udf_para_t) == 412);
static_assert(sizeof(udf_clsfier_t) == 20);
static_assert(offsetof(udf_para_t, udf_pool_id) == 0 && offsetof(udf_para_t, chunk_id) == 4);
static_assert(offsetof(udf_para_t, width) == 8 && offsetof(udf_para_t, clsfier) == 12);
static_assert(offsetof(udf_clsfier_t, clsfier) == 0 && offsetof(udf_clsfier_t, data) == 2);
static_assert(offsetof(udf_clsfier_t, mask) == 4 && offsetof(udf_clsfier_t, achor_type) == 8);
static_assert(offsetof(udf_clsfier_t, offset) == 12 && offsetof(udf_clsfier_t, reserved1) == 16);

static_assert(std::is_standard_layout_v<meter_para_t> && sizeof(meter_para_t) == 36);
static_assert(offsetof(meter_para_t, stage) == 0 && offsetof(meter_para_t, meter_pool_id) == 4);
static_assert(offsetof(meter_para_t, meter_entry_id) == 8 && offsetof(meter_para_t, meter_mode) == 12);
static_assert(offsetof(meter_para_t, pkt_mode) == 16 && offsetof(meter_para_t, rate) == 20);
static_assert(offsetof(meter_para_t, rate.single.bps) == 20 && offsetof(meter_para_t, rate.single.burst) == 24);
static_assert(offsetof(meter_para_t, rate.sr.cir) == 20 && offsetof(meter_para_t, rate.sr.cbs) == 24);
static_assert(offsetof(meter_para_t, rate.sr.ebs) == 28 && offsetof(meter_para_t, rate.tr.cir) == 20);
static_assert(offsetof(meter_para_t, rate.tr.pir) == 24 && offsetof(meter_para_t, rate.tr.cbs) == 28);
static_assert(offsetof(meter_para_t, rate.tr.ebs) == 32);

static_assert(std::is_standard_layout_v<tcam_entry_para_t> && alignof(tcam_udf_chunk_t) == 1);
static_assert(sizeof(tcam_udf_chunk_t) == 10 && offsetof(tcam_udf_chunk_t, chunk_width) == 1);
static_assert(offsetof(tcam_udf_chunk_t, data) == 2 && offsetof(tcam_udf_chunk_t, mask) == 6);
static_assert(offsetof(tcam_entry_para_t, ace_tlv) == 0 && offsetof(tcam_entry_para_t, intf_type) == 8);
static_assert(offsetof(tcam_entry_para_t, intf) == 16 && offsetof(tcam_entry_para_t, block) == 48);
static_assert(offsetof(tcam_entry_para_t, cell_id) == 52 && offsetof(tcam_entry_para_t, stage) == 112);
static_assert(offsetof(tcam_entry_para_t, vag) == 113 && offsetof(tcam_entry_para_t, key_id) == 114);
static_assert(offsetof(tcam_entry_para_t, meter_pool) == 115 && offsetof(tcam_entry_para_t, meter_entry) == 116);
static_assert(offsetof(tcam_entry_para_t, cnter_pool) == 118 && offsetof(tcam_entry_para_t, cnter_entry) == 120);
static_assert(offsetof(tcam_entry_para_t, comp_pool) == 126 && offsetof(tcam_entry_para_t, entry_bmp) == 128);
static_assert(offsetof(tcam_entry_para_t, rule_flags) == 132 && offsetof(tcam_entry_para_t, udf_chunk_num) == 160);
static_assert(offsetof(tcam_entry_para_t, udf_chunk) == 161);
static_assert(sizeof(tcam_entry_para_t) == 328);

static_assert(std::is_standard_layout_v<cnter_para_t> && sizeof(cnter_para_t) == 76);
static_assert(offsetof(cnter_para_t, stage) == 0 && offsetof(cnter_para_t, tcam_pool_id) == 4);
static_assert(offsetof(cnter_para_t, cnter_pool_id) == 8 && offsetof(cnter_para_t, cnter_entry_id) == 12);
static_assert(offsetof(cnter_para_t, cnter_num) == 64 && offsetof(cnter_para_t, cnter_mode) == 68);

static_assert(std::is_standard_layout_v<bind_info_para_t> && sizeof(bind_info_para_t) == 12);
static_assert(offsetof(bind_info_para_t, stage) == 0 && offsetof(bind_info_para_t, port) == 4);
static_assert(offsetof(bind_info_para_t, bind_info_entry_id) == 8);

// "%d" shows 32-bit fields as signed, as the field tools expect.
int as_int(uint32_t v) { return static_cast<int>(v); }

void dump_key(const key_info_t &key) {
    say_line("\n====dump_key_info====");
    say("id: %d\n", as_int(key.id));
    say("has_bmp: %d, width: %d\n", key.has_bmp, as_int(key.width));
    say("key_2_stage_abmp: 0x%x, key_2_udfpool_abmp: %d\n", key.key_2_stage_abmp, as_int(key.key_2_udfpool_abmp));
    ss_fp_dump_rule_flag(key.rule_flags);
    ss_fp_dump_action_flag(key.action_flags);
}

void dump_vag(const vag_para_t &vag) {
    say(" vag_id: %d, pri: %d, key_id: %d\n", as_int(vag.vag_id), vag.pri, as_int(vag.key.id));
    dump_key(vag.key);
    say("\tudf_pool_bmp: 0x%x, udf_chunk_bmp: 0x%x\n", vag.udf_pool_bmp, vag.udf_chunk_bmp);
}

void dump_pbmp(const uint32_t *pbmp) {
    for (int i = 0; i < SS_FP_TCAM_PBMP_WORDS; ++i) say("pbmp[index:%d] = 0x%x, ", i, pbmp[i]);
    say("\n");
}

void dump_interface(const tcam_entry_para_t &e) {
    switch (e.intf_type) {
        case INTF_TYPE_NONE:
            say_line("intf_type: INTF_TYPE_NONE");
            break;
        case INTF_TYPE_PORT:
            say_line("intf_type: INTF_TYPE_PORT");
            say("port: %d\n", e.intf.port);
            break;
        case INTF_TYPE_PBMP:
            say_line("intf_type: INTF_TYPE_PBMP");
            dump_pbmp(e.intf.pbmp);
            break;
        case INTF_TYPE_BIND_INFO:
            say_line("intf_type: INTF_TYPE_BIND_INFO");
            say("bind_info_id: %d\n", as_int(e.intf.bind_info_id));
            break;
        default:  // an unknown kind has no interface line
            break;
    }
}

// A chunk's bytes as "%2x " each: blank-padded hex, then a blank.
void dump_chunk_bytes(const uint8_t (&bytes)[4]) {
    for (uint8_t b : bytes) say("%2x ", b);
}

void dump_entry(const tcam_entry_para_t &e) {
    say_line("\n====tcam_entry_para====");
    dump_interface(e);
    say("stage: %d, vag: %d, key_id: %d\n", e.stage, e.vag, e.key_id);
    say("block: %d, cell_id: %d\n", as_int(e.block), as_int(e.cell_id));
    // A missing block is reported by each of the three dumps in turn.
    const ss_fp_appmng_ace_tlv_t *tlv = e.ace_tlv;
    ss_fp_dump_rule_flag(tlv != nullptr ? tlv->rule_flags : nullptr);
    ss_fp_dump_action_flag(tlv != nullptr ? tlv->action_flags : nullptr);
    ss_fp_appmng_dump_ace_tlv(tlv);
    ss_fp_dump_rule_flag(e.rule_flags);
    say("meter:pool=%u, entry=%u; ", e.meter_pool, e.meter_entry);
    say("cnter:pool=%u, entry=%u; ", e.cnter_pool, e.cnter_entry);
    say("comp:pool=%u, entry_bmp=0x%x\n", e.comp_pool, e.entry_bmp);
    say("udf_chunk_num: %d\n", e.udf_chunk_num);
    // The count comes from the record's owner; never walk past the chunks the
    // record holds.
    const unsigned shown = e.udf_chunk_num < SS_FP_TCAM_UDF_CHUNK_MAX ? e.udf_chunk_num : SS_FP_TCAM_UDF_CHUNK_MAX;
    for (unsigned i = 0; i < shown; ++i) {
        const tcam_udf_chunk_t &c = e.udf_chunk[i];
        say("chunk_id: %d, chunk_width: %d, ", c.chunk_id, c.chunk_width);
        say("[data: 0x");
        dump_chunk_bytes(c.data);
        say(" / mask: 0x");
        dump_chunk_bytes(c.mask);
        say_line("]");
    }
}

void dump_comparators(const comparator_para_t &c) {
    say_line("\n====dump_comparator====");
    say(">>id: %d, count: %d\n", as_int(c.id), as_int(c.count));
    for (uint32_t i = 0; i < c.count && i < SS_FP_TCAM_COMPARATOR_MAX; ++i) {
        say("\t[%d]id: %d, comparator_type: %d, min: %d, max: %d\n", as_int(i), as_int(c.id),
            as_int(c.comparator_type[i]), as_int(c.min[i]), as_int(c.max[i]));
    }
}

void dump_udf(const udf_para_t &u) {
    say_line("\n====dump_udf====");
    say("\tudf_pool_id: %d, chunk_id: %d, width: %d\n", as_int(u.udf_pool_id), as_int(u.chunk_id), as_int(u.width));
    for (const udf_clsfier_t &c : u.clsfier) {
        if (c.offset == SS_FP_TCAM_UDF_OFFSET_UNUSED) continue;
        say("\tclsfier:(%d)[0x%x/0x%x], achor_type: %d, offset: %d\n", c.clsfier, c.data, c.mask, as_int(c.achor_type),
            as_int(c.offset));
    }
}

void dump_meter(const meter_para_t &m) {
    say_line("\n====dump_meter====");
    say("\tstage: %d, meter_pool_id: %d, meter_entry_id: %d\n", as_int(m.stage), as_int(m.meter_pool_id),
        as_int(m.meter_entry_id));
    say("meter_desc> meter_mode: %d, pkt_mode: %d\n", as_int(m.meter_mode), as_int(m.pkt_mode));
    switch (m.meter_mode) {
        case 0:
            say("\tburst: %d, bps: %d\n", as_int(m.rate.single.burst), as_int(m.rate.single.bps));
            break;
        case 1:
        case 2:
            say("\tcir: %d, cbs: %d, ebs: %d\n", as_int(m.rate.sr.cir), as_int(m.rate.sr.cbs), as_int(m.rate.sr.ebs));
            break;
        case 3:
        case 4:
            say("\tcir: %d, pir: %d, cbs: %d, ebs: %d\n", as_int(m.rate.tr.cir), as_int(m.rate.tr.pir),
                as_int(m.rate.tr.cbs), as_int(m.rate.tr.ebs));
            break;
        default:  // no rate fields for other modes
            break;
    }
}

int dump_cnter(const cnter_para_t &c) {
    say_line("\n====cnter====");
    say("\tstage: %d, tcam_pool_id: %d, cnter_pool_id: %d, cnter_entry_id %d\n", as_int(c.stage),
        as_int(c.tcam_pool_id), as_int(c.cnter_pool_id), as_int(c.cnter_entry_id));
    say("\tcnter_num %d", as_int(c.cnter_num));
    for (int i = 0; i < 2; ++i) say(", cnter_mode[%d] %d", i, as_int(c.cnter_mode[i]));
    return say("\n");
}

int dump_bind_info(const bind_info_para_t &b) {
    say_line("\n====bind_info====");
    return say("\tstage: %d, port: %d, bind_info_entry_id: %d\n", as_int(b.stage), b.port,
               as_int(b.bind_info_entry_id));
}

}  // namespace
}  // namespace fpss

extern "C" {

int dump_key_info(const key_info_t *key) {
    FPSS_DUMP_REQUIRE(key, "dump_key_info");
    fpss::dump_key(*key);
    return 0;
}

int dump_vag_para(const vag_para_t *vag) {
    FPSS_DUMP_REQUIRE(vag, "dump_vag_para");
    fpss::dump_vag(*vag);
    return 0;
}

int dump_comparator_para(const comparator_para_t *comp) {
    FPSS_DUMP_REQUIRE(comp, "dump_comparator_para");
    fpss::dump_comparators(*comp);
    return 0;
}

int dump_udf_para(const udf_para_t *udf) {
    FPSS_DUMP_REQUIRE(udf, "dump_udf_para");
    fpss::dump_udf(*udf);
    return 0;
}

int dump_meter_para(const meter_para_t *meter) {
    FPSS_DUMP_REQUIRE(meter, "dump_meter_para");
    fpss::dump_meter(*meter);
    return 0;
}

int ss_fp_dump_pbmp(const uint32_t *pbmp) {
    FPSS_DUMP_REQUIRE(pbmp, "ss_fp_dump_pbmp");
    fpss::dump_pbmp(pbmp);
    return 0;
}

int dump_tcam_entry_para(const tcam_entry_para_t *entry) {
    FPSS_DUMP_REQUIRE(entry, "dump_tcam_entry_para");
    fpss::dump_entry(*entry);
    return 0;
}

int dump_cnter_para(const cnter_para_t *cnter) {
    FPSS_DUMP_REQUIRE(cnter, "dump_cnter_para");
    return fpss::dump_cnter(*cnter);
}

int dump_bind_info_para(const bind_info_para_t *bind) {
    FPSS_DUMP_REQUIRE(bind, "dump_bind_info_para");
    return fpss::dump_bind_info(*bind);
}

}  // extern "C"
