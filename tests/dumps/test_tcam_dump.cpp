// The TCAM parameter dumps, byte for byte. Where a dump hands a bitmap to the
// flag-name dumps or a block to the block dump, the expected text is what
// those dumps print for it.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <string>

#include "fpss_test.h"
#include "fpss_values.h"
#include "ss_fp_appmng_dump.h"
#include "ss_fp_debug.h"
#include "ss_fp_tcam_dump.h"

using fpss_test::StdoutCapture;

namespace {

std::string captured(const std::function<void()> &f) {
    StdoutCapture cap;
    f();
    return cap.take();
}

class TcamDumpTest : public ::testing::Test {
  protected:
    static key_info_t sample_key() {
        key_info_t k;
        std::memset(&k, 0, sizeof k);
        k.id = 12;
        k.has_bmp = 1;
        k.width = 160;
        k.key_2_stage_abmp = 0x3;
        k.key_2_udfpool_abmp = 5;
        k.rule_flags[0] = 1U << SS_FP_RULE_MAC_DST;
        k.action_flags[0] = 1U << SS_FP_ACTION_FWD;
        return k;
    }
    static std::string key_text(const key_info_t &k) {
        return "\n====dump_key_info====\nid: 12\nhas_bmp: 1, width: 160\nkey_2_stage_abmp: 0x3, key_2_udfpool_abmp: 5\n" +
               captured([&] { ss_fp_dump_rule_flag(k.rule_flags); }) +
               captured([&] { ss_fp_dump_action_flag(k.action_flags); });
    }
};

TEST_F(TcamDumpTest, KeyAndVirtualGroup) {
    key_info_t k = sample_key();
    EXPECT_EQ(captured([&] { EXPECT_EQ(dump_key_info(&k), 0); }), key_text(k));

    vag_para_t v;
    std::memset(&v, 0, sizeof v);
    v.pri = 3;
    v.vag_id = 7;
    v.key = k;
    v.udf_pool_bmp = 0x10;
    v.udf_chunk_bmp = 0xff00;
    EXPECT_EQ(captured([&] { EXPECT_EQ(dump_vag_para(&v), 0); }),
              " vag_id: 7, pri: 3, key_id: 12\n" + key_text(k) + "\tudf_pool_bmp: 0x10, udf_chunk_bmp: 0xff00\n");
}

TEST_F(TcamDumpTest, ComparatorsInUseOnly) {
    comparator_para_t c;
    std::memset(&c, 0, sizeof c);
    c.id = 4;
    c.comparator_type[0] = 1;
    c.min[0] = 10;
    c.max[0] = 20;
    c.comparator_type[1] = 2;
    c.min[1] = 1024;
    c.max[1] = 65535;
    const std::string head = "\n====dump_comparator====\n";
    const std::string first = "\t[0]id: 4, comparator_type: 1, min: 10, max: 20\n";
    const std::string second = "\t[1]id: 4, comparator_type: 2, min: 1024, max: 65535\n";
    c.count = 0;
    EXPECT_EQ(captured([&] { dump_comparator_para(&c); }), head + ">>id: 4, count: 0\n");
    c.count = 1;
    EXPECT_EQ(captured([&] { dump_comparator_para(&c); }), head + ">>id: 4, count: 1\n" + first);
    c.count = 2;
    EXPECT_EQ(captured([&] { dump_comparator_para(&c); }), head + ">>id: 4, count: 2\n" + first + second);
    // A count beyond the two comparators the record holds shows the two.
    c.count = 9;
    EXPECT_EQ(captured([&] { dump_comparator_para(&c); }), head + ">>id: 4, count: 9\n" + first + second);
}

TEST_F(TcamDumpTest, UdfEntriesInUseOnly) {
    udf_para_t u;
    std::memset(&u, 0, sizeof u);
    u.udf_pool_id = 1;
    u.chunk_id = 2;
    u.width = 16;
    for (auto &e : u.clsfier) e.offset = SS_FP_TCAM_UDF_OFFSET_UNUSED;
    const std::string head = "\n====dump_udf====\n\tudf_pool_id: 1, chunk_id: 2, width: 16\n";
    EXPECT_EQ(captured([&] { EXPECT_EQ(dump_udf_para(&u), 0); }), head);

    u.clsfier[0] = {3, 0x12, 0xff, 0, 1, 0, {}};
    u.clsfier[19] = {5, 0xabcd, 0xffff, 0, 2, 14, {}};
    EXPECT_EQ(captured([&] { dump_udf_para(&u); }),
              head + "\tclsfier:(3)[0x12/0xff], achor_type: 1, offset: 0\n" +
                  "\tclsfier:(5)[0xabcd/0xffff], achor_type: 2, offset: 14\n");
}

TEST_F(TcamDumpTest, MeterModes) {
    meter_para_t m;
    std::memset(&m, 0, sizeof m);
    m.stage = 1;
    m.meter_pool_id = 2;
    m.meter_entry_id = 3;
    m.pkt_mode = 1;
    m.rate.tr = {100, 200, 300, 400};
    const char *rates[] = {"\tburst: 200, bps: 100\n", "\tcir: 100, cbs: 200, ebs: 300\n",
                           "\tcir: 100, cbs: 200, ebs: 300\n", "\tcir: 100, pir: 200, cbs: 300, ebs: 400\n",
                           "\tcir: 100, pir: 200, cbs: 300, ebs: 400\n", ""};
    for (uint32_t mode = 0; mode <= 5; ++mode) {
        m.meter_mode = mode;
        EXPECT_EQ(captured([&] { EXPECT_EQ(dump_meter_para(&m), 0); }),
                  "\n====dump_meter====\n\tstage: 1, meter_pool_id: 2, meter_entry_id: 3\nmeter_desc> meter_mode: " +
                      std::to_string(mode) + ", pkt_mode: 1\n" + rates[mode])
            << "mode " << mode;
    }
}

TEST_F(TcamDumpTest, PortBitmap) {
    uint32_t pbmp[8] = {1, 0, 0xffffffff, 3, 4, 5, 6, 0x80000000};
    EXPECT_EQ(captured([&] { EXPECT_EQ(ss_fp_dump_pbmp(pbmp), 0); }),
              "pbmp[index:0] = 0x1, pbmp[index:1] = 0x0, pbmp[index:2] = 0xffffffff, pbmp[index:3] = 0x3, "
              "pbmp[index:4] = 0x4, pbmp[index:5] = 0x5, pbmp[index:6] = 0x6, pbmp[index:7] = 0x80000000, \n");
}

class TcamEntryTest : public TcamDumpTest {
  protected:
    void SetUp() override {
        std::memset(block_mem_, 0, sizeof block_mem_);
        block_->rule_flags[0] = 1U << SS_FP_RULE_NONE;
        block_->action_flags[1] = 1U << (SS_FP_ACTION_MAX - 32);  // never walked
        std::memset(&e_, 0, sizeof e_);
        e_.ace_tlv = block_;
        e_.stage = 1;
        e_.vag = 2;
        e_.key_id = 3;
        e_.block = 4;
        e_.cell_id = 5;
        e_.rule_flags[6] = 1U << 5;  // rule flag 197
        e_.meter_pool = 6;
        e_.meter_entry = 700;
        e_.cnter_pool = 8;
        e_.cnter_entry = 900;
        e_.comp_pool = 10;
        e_.entry_bmp = 0x3;
    }
    // Everything after the interface lines, for 'chunks' chunks shown.
    std::string body(const std::string &chunks) {
        return "stage: 1, vag: 2, key_id: 3\nblock: 4, cell_id: 5\n" +
               captured([&] { ss_fp_dump_rule_flag(block_->rule_flags); }) +
               captured([&] { ss_fp_dump_action_flag(block_->action_flags); }) +
               captured([&] { ss_fp_appmng_dump_ace_tlv(block_); }) +
               captured([&] { ss_fp_dump_rule_flag(e_.rule_flags); }) +
               "meter:pool=6, entry=700; cnter:pool=8, entry=900; comp:pool=10, entry_bmp=0x3\n" + chunks;
    }
    std::string dump() {
        return captured([&] { EXPECT_EQ(dump_tcam_entry_para(&e_), 0); });
    }

    alignas(8) unsigned char block_mem_[sizeof(ss_fp_appmng_ace_tlv_t)];
    ss_fp_appmng_ace_tlv_t *block_ = reinterpret_cast<ss_fp_appmng_ace_tlv_t *>(block_mem_);
    tcam_entry_para_t e_;
};

const char kHead[] = "\n====tcam_entry_para====\n";

TEST_F(TcamEntryTest, InterfaceKinds) {
    const std::string rest = body("udf_chunk_num: 0\n");
    e_.intf_type = INTF_TYPE_NONE;
    EXPECT_EQ(dump(), kHead + std::string("intf_type: INTF_TYPE_NONE\n") + rest);
    e_.intf_type = INTF_TYPE_PORT;
    e_.intf.port = 48;
    EXPECT_EQ(dump(), kHead + std::string("intf_type: INTF_TYPE_PORT\nport: 48\n") + rest);
    e_.intf_type = INTF_TYPE_PBMP;
    for (int i = 0; i < 8; ++i) e_.intf.pbmp[i] = i;
    const std::string pbmp = captured([&] { ss_fp_dump_pbmp(e_.intf.pbmp); });
    EXPECT_EQ(dump(), kHead + std::string("intf_type: INTF_TYPE_PBMP\n") + pbmp + rest);
    e_.intf_type = INTF_TYPE_BIND_INFO;
    e_.intf.bind_info_id = 77;
    EXPECT_EQ(dump(), kHead + std::string("intf_type: INTF_TYPE_BIND_INFO\nbind_info_id: 77\n") + rest);
    e_.intf_type = 7;
    EXPECT_EQ(dump(), kHead + rest);
}

TEST_F(TcamEntryTest, UdfChunksPrintBytesBlankPadded) {
    e_.intf_type = 7;
    e_.udf_chunk_num = 2;
    e_.udf_chunk[0] = {1, 4, {0x5, 0xab, 0, 0x10}, {0xff, 0xff, 0xf, 0}};
    e_.udf_chunk[1] = {2, 2, {1, 2, 3, 4}, {0, 0, 0, 0}};
    EXPECT_EQ(dump(), kHead + body("udf_chunk_num: 2\n"
                                   "chunk_id: 1, chunk_width: 4, [data: 0x 5 ab  0 10  / mask: 0xff ff  f  0 ]\n"
                                   "chunk_id: 2, chunk_width: 2, [data: 0x 1  2  3  4  / mask: 0x 0  0  0  0 ]\n"));
}

// A count beyond the chunks the record holds shows those it holds.
TEST_F(TcamEntryTest, ChunkCountBeyondTheRecordIsClamped) {
    e_.intf_type = 7;
    e_.udf_chunk_num = 200;
    std::string chunks = "udf_chunk_num: 200\n";
    for (int i = 0; i < SS_FP_TCAM_UDF_CHUNK_MAX; ++i) {
        e_.udf_chunk[i].chunk_id = static_cast<uint8_t>(i);
        chunks += "chunk_id: " + std::to_string(i) +
                  ", chunk_width: 0, [data: 0x 0  0  0  0  / mask: 0x 0  0  0  0 ]\n";
    }
    EXPECT_EQ(dump(), kHead + body(chunks));
}

TEST_F(TcamEntryTest, MissingBlockIsReportedByEachDump) {
    e_.intf_type = INTF_TYPE_NONE;
    e_.ace_tlv = nullptr;
    const std::string out = dump();
    const std::string missing = captured([] { ss_fp_dump_rule_flag(nullptr); }) +
                                captured([] { ss_fp_dump_action_flag(nullptr); });
    EXPECT_NE(out.find("block: 4, cell_id: 5\n" + missing + "\n !!!"), std::string::npos) << out;
    EXPECT_NE(out.find("ss_fp_appmng_dump_ace_tlv["), std::string::npos);
    EXPECT_NE(out.find("meter:pool=6, entry=700; "), std::string::npos);
}

TEST_F(TcamDumpTest, CounterAndBinding) {
    cnter_para_t c;
    std::memset(&c, 0, sizeof c);
    c.stage = 1;
    c.tcam_pool_id = 2;
    c.cnter_pool_id = 3;
    c.cnter_entry_id = 4;
    c.cnter_num = 2;
    c.cnter_mode[0] = 5;
    c.cnter_mode[1] = 6;
    EXPECT_EQ(captured([&] { EXPECT_EQ(dump_cnter_para(&c), 0); }),
              "\n====cnter====\n\tstage: 1, tcam_pool_id: 2, cnter_pool_id: 3, cnter_entry_id 4\n"
              "\tcnter_num 2, cnter_mode[0] 5, cnter_mode[1] 6\n");
    bind_info_para_t b;
    std::memset(&b, 0, sizeof b);
    b.stage = 2;
    b.port = 33;
    b.bind_info_entry_id = 1000;
    EXPECT_EQ(captured([&] { EXPECT_EQ(dump_bind_info_para(&b), 0); }),
              "\n====bind_info====\n\tstage: 2, port: 33, bind_info_entry_id: 1000\n");
}

TEST_F(TcamDumpTest, NullRecordsAreReported) {
    const std::pair<std::function<int()>, const char *> dumps[] = {
        {[] { return dump_key_info(nullptr); }, "dump_key_info"},
        {[] { return dump_vag_para(nullptr); }, "dump_vag_para"},
        {[] { return dump_comparator_para(nullptr); }, "dump_comparator_para"},
        {[] { return dump_udf_para(nullptr); }, "dump_udf_para"},
        {[] { return dump_meter_para(nullptr); }, "dump_meter_para"},
        {[] { return ss_fp_dump_pbmp(nullptr); }, "ss_fp_dump_pbmp"},
        {[] { return dump_tcam_entry_para(nullptr); }, "dump_tcam_entry_para"},
        {[] { return dump_cnter_para(nullptr); }, "dump_cnter_para"},
        {[] { return dump_bind_info_para(nullptr); }, "dump_bind_info_para"},
    };
    for (const auto &d : dumps) {
        StdoutCapture cap;
        EXPECT_EQ(d.first(), -1) << d.second;
        EXPECT_TRUE(fpss_test::is_null_line(cap.take(), d.second)) << d.second;
    }
}

}  // namespace
