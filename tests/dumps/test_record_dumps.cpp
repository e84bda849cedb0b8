// The record dumps: ACL, ACE, rule and action block, apply record, with their
// rule and action walks over values at their packed offsets, the flag-word
// printer, the time line and the null-record reports.
#include <gtest/gtest.h>

#include <cstring>
#include <ctime>
#include <functional>
#include <memory>
#include <string>

#include "fpss_test.h"
#include "fpss_values.h"
#include "ss_fp_appmng.h"
#include "ss_fp_appmng_dump.h"

using fpss_test::StdoutCapture;
using fpss_test::Value;

namespace {

void set_flag(uint32_t *bm, uint32_t f) { bm[f / 32] |= 1U << (f % 32); }

// A record of 'head' bytes followed by 'values', in one block of exactly that
// size (8-byte aligned, as an allocator gives it).
template <class T>
class Record {
  public:
    explicit Record(const Value &values) : size_(sizeof(T) + values.size()) {
        mem_.reset(static_cast<unsigned char *>(::operator new(size_)));
        std::memset(mem_.get(), 0, size_);
        if (values.size() != 0) std::memcpy(mem_.get() + sizeof(T), values.get().data(), values.size());
    }
    T *operator->() { return reinterpret_cast<T *>(mem_.get()); }
    T *get() { return reinterpret_cast<T *>(mem_.get()); }

  private:
    struct Free {
        void operator()(unsigned char *p) const { ::operator delete(p); }
    };
    size_t size_;
    std::unique_ptr<unsigned char, Free> mem_;
};

const std::string kMacLine = "\r\nSS_FP_RULE_MAC_SRC \r\n0022.3344.5566./ffff.ffff.ffff.";
const std::string kIpv4Line = "\r\nSS_FP_RULE_IPV4_DST \r\n10.0.0.1.(0a.00.00.01.)/ff.ff.ff.ff.";
const std::string kCtrlLine = "\r\nSS_FP_ACTION_CTRL ctrl: 1, switch_trap_cancel:0, gyr_data:2 gyr_mask:3";
const std::string kFwdLine = "\r\nSS_FP_ACTION_FWD 4, gyr_data 5, gyr_mask 6";

// "flag[i] = 0x<w> " for each word.
std::string words(std::initializer_list<uint32_t> ws) {
    std::string s;
    int i = 0;
    char buf[48];
    for (uint32_t w : ws) {
        std::snprintf(buf, sizeof buf, "flag[%d] = 0x%x ", i++, w);
        s += buf;
    }
    return s;
}

class DumpRecordsTest : public ::testing::Test {
  protected:
    // Rule values MAC_SRC then IPV4_DST (20 bytes), action values CTRL then
    // FWD (7 bytes): the values of an ACE or a block.
    static Value ace_values() {
        return Value()
            .bytes({0x00, 0x22, 0x33, 0x44, 0x55, 0x66, 0xff, 0xff, 0xff, 0xff, 0xff, 0xff})
            .bytes({10, 0, 0, 1, 255, 255, 255, 255})
            .bytes({0, 1, 2, 3})
            .bytes({4, 5, 6});
    }
    template <class T>
    static void set_ace_flags(T &r) {
        set_flag(r.rule_flags, SS_FP_RULE_MAC_SRC);
        set_flag(r.rule_flags, SS_FP_RULE_IPV4_DST);
        set_flag(r.action_flags, SS_FP_ACTION_CTRL);
        set_flag(r.action_flags, SS_FP_ACTION_FWD);
        r.rule_len = 20;
        r.action_len = 7;
    }
    static std::string walks() {
        return "\r\nrule_flag = 2" + kMacLine + "\r\nrule_flag = 18" + kIpv4Line + "\r\naction_flag = 1" + kCtrlLine +
               "\r\naction_flag = 2" + kFwdLine;
    }
};

TEST_F(DumpRecordsTest, AceWithRulesAndActions) {
    Record<ss_fp_appmng_ace_t> ace(ace_values());
    ace->sn = 10;
    ace->sub_sn = 2;
    ace->is_default = 1;
    ace->ace_pri = 300;
    set_ace_flags(*ace.get());
    StdoutCapture cap;
    EXPECT_EQ(ss_fp_appmng_dump_ace(ace.get()), 0);
    EXPECT_EQ(cap.take(),
              "\r\nis_default = 1, ace_pri = 300, sn = 10, sub_sn = 2, rule_len 20, action_len = 7 ace_info_len = 99"
              "\r\nrule_flags:\r\n" +
                  words({0x40004, 0, 0, 0, 0, 0, 0}) + "\r\naction_flags:\r\n" + words({6, 0, 0, 0}) + walks());
}

TEST_F(DumpRecordsTest, EmptyAcePrintsHeadAndZeroBitmaps) {
    Record<ss_fp_appmng_ace_t> ace(Value{});
    ace->ace_pri = 0xffffffffffffffffULL;
    StdoutCapture cap;
    ss_fp_appmng_dump_ace(ace.get());
    EXPECT_EQ(cap.take(),
              "\r\nis_default = 0, ace_pri = 18446744073709551615, sn = 0, sub_sn = 0, rule_len 0, action_len = 0 "
              "ace_info_len = 72\r\nrule_flags:\r\n" +
                  words({0, 0, 0, 0, 0, 0, 0}) + "\r\naction_flags:\r\n" + words({0, 0, 0, 0}));
}

TEST_F(DumpRecordsTest, BlockPrintsBitmapsWithoutLabels) {
    Record<ss_fp_appmng_ace_tlv_t> block(ace_values());
    set_ace_flags(*block.get());
    StdoutCapture cap;
    EXPECT_EQ(ss_fp_appmng_dump_ace_tlv(block.get()), 0);
    EXPECT_EQ(cap.take(), "\r\nrule_len 20, action_len = 7, rule_flags/action_flags\r\n" +
                              words({0x40004, 0, 0, 0, 0, 0, 0}) + "\r\n" + words({6, 0, 0, 0}) + walks());
}

// Actions before rules, in the bitmap, the values and the output; only the
// action bitmap is printed as words.
TEST_F(DumpRecordsTest, ApplyRecordIsReversed) {
    Value values = Value().bytes({0, 1, 2, 3}).u32(3).u16(100).u16(0xfff).u8(5).u8(7);
    Record<ss_fp_appmng_apply_t> apply(values);
    apply->ifx = 5;
    apply->app_type = 3;
    apply->direction = 1;
    apply->phyid = 17;
    apply->pri = 9;
    apply->vgp_id = 4;
    apply->intf_type = 2;
    apply->vid_type = 1;
    apply->bind_type = 7;
    apply->bind_id = 8;
    set_flag(apply->action_flags, SS_FP_ACTION_CTRL);
    set_flag(apply->action_flags, SS_FP_ACTION_COUNTER);
    set_flag(apply->rule_flags, SS_FP_RULE_VID);
    set_flag(apply->rule_flags, SS_FP_RULE_COS);
    apply->action_len = 8;
    apply->rule_len = 6;
    StdoutCapture cap;
    EXPECT_EQ(ss_fp_appmng_dump_apply(apply.get()), 0);
    EXPECT_EQ(cap.take(),
              "\r\nifx = 5, app_type = 3, direction = 1, phyid = 17, pri = 9, vgp_id = 4, action_len = 8,rule_len = 6, "
              "intf_type = 2, vid_type = 1"
              "\r\nbind_type= 7, bind_id=8.\r\n" +
                  words({0x202, 0, 0, 0}) + "\r\naction flag = 1" + kCtrlLine + "\r\naction flag = 9" +
                  "\r\nSS_FP_ACTION_COUNTER  mode:3" + "\r\n\nrule_flag = 5\n" +
                  "\r\nSS_FP_RULE_VID\ndata:0x64(100), mask:0xfff" + "\r\n\nrule_flag = 7\n" +
                  "\r\nSS_FP_RULE_COS\ndata:0x5(5), mask:0x7");
}

// Zero-size rules take no bytes, a set SS_FP_ACTION_NONE takes 8, and bits at
// or above the count markers are never walked.
TEST_F(DumpRecordsTest, WalkOffsetsAndIgnoredBits) {
    Value values = Value().u8(5).u8(7).u8(1).zeros(8).u32(42);
    Record<ss_fp_appmng_ace_tlv_t> block(values);
    set_flag(block->rule_flags, SS_FP_RULE_COS);      // 2 bytes at 0
    set_flag(block->rule_flags, SS_FP_RULE_IN_PORT);  // no bytes
    set_flag(block->rule_flags, SS_FP_RULE_HG_PORT);  // 1 byte at 2
    set_flag(block->rule_flags, SS_FP_RULE_MAX);
    set_flag(block->rule_flags, 223);
    set_flag(block->action_flags, SS_FP_ACTION_NONE);    // 8 bytes at 0
    set_flag(block->action_flags, SS_FP_ACTION_VOQ_ID);  // 4 bytes at 8
    set_flag(block->action_flags, SS_FP_ACTION_MAX);
    set_flag(block->action_flags, 127);
    block->rule_len = 3;
    block->action_len = 12;
    StdoutCapture cap;
    ss_fp_appmng_dump_ace_tlv(block.get());
    const std::string out = cap.take();
    const std::string walked = "\r\nrule_flag = 7\r\nSS_FP_RULE_COS\ndata:0x5(5), mask:0x7"
                               "\r\nrule_flag = 88\r\nSS_FP_RULE_HG_PORT: true"
                               "\r\nrule_flag = 89\r\nSS_FP_RULE_IN_PORT"
                               "\r\naction_flag = 0"
                               "\r\naction_flag = 21\r\nSS_FP_ACTION_VOQ_ID  voq_id:42";
    ASSERT_GE(out.size(), walked.size());
    EXPECT_EQ(out.substr(out.size() - walked.size()), walked);
}

// A bitmap that claims more values than the record's lengths hold: the flags
// beyond are named, their values never read (the record block is exact-size).
TEST_F(DumpRecordsTest, ValuesPastTheLengthsAreNotRead) {
    Record<ss_fp_appmng_ace_t> ace(Value().u8(5).u8(7).u32(9));
    set_flag(ace->rule_flags, SS_FP_RULE_COS);
    set_flag(ace->rule_flags, SS_FP_RULE_IPV4_SRC);  // 8 bytes, none left
    set_flag(ace->action_flags, SS_FP_ACTION_COUNTER);
    set_flag(ace->action_flags, SS_FP_ACTION_ISQ_METER);  // 48 bytes, none left
    ace->rule_len = 2;
    ace->action_len = 4;
    StdoutCapture cap;
    EXPECT_EQ(ss_fp_appmng_dump_ace(ace.get()), 0);
    const std::string out = cap.take();
    const std::string walked = "\r\nrule_flag = 7\r\nSS_FP_RULE_COS\ndata:0x5(5), mask:0x7"
                               "\r\nrule_flag = 17\r\nNO VALUE IN RECORD, FLAG:17"
                               "\r\naction_flag = 9\r\nSS_FP_ACTION_COUNTER  mode:9"
                               "\r\naction_flag = 42\r\nNO VALUE IN RECORD, FLAG:42";
    ASSERT_GE(out.size(), walked.size());
    EXPECT_EQ(out.substr(out.size() - walked.size()), walked);
}

TEST_F(DumpRecordsTest, AclLine) {
    ss_fp_appmng_acl_t acl{1, 2, 3, -4};
    StdoutCapture cap;
    EXPECT_EQ(ss_fp_appmng_dump_acl(&acl), 0);
    EXPECT_EQ(cap.take(), "\r\nacl_cls = -4, acl_id = 1, app_type = 2, vdc_id = 3");
}

TEST_F(DumpRecordsTest, FlagWordCounts) {
    uint32_t bm[8] = {1, 2, 3, 4, 5, 6, 7, 8};
    const std::pair<int32_t, int> cases[] = {{198, 7}, {128, 4}, {33, 2}, {32, 1}, {1, 1}, {0, 0}, {-5, 0}, {-40, 0}};
    for (const auto &c : cases) {
        StdoutCapture cap;
        EXPECT_EQ(ss_fp_appmng_dump_flags(bm, c.first), 0);
        std::string expected = "\r\n";
        for (int i = 0; i < c.second; ++i) expected += "flag[" + std::to_string(i) + "] = 0x" + std::to_string(i + 1) + " ";
        EXPECT_EQ(cap.take(), expected) << c.first << " bits";
    }
}

TEST_F(DumpRecordsTest, TimeLineIsTheLocalTimeNow) {
    std::time_t before = std::time(nullptr);
    StdoutCapture cap;
    EXPECT_EQ(ss_fp_appmng_dump_time(), 0);
    std::string out = cap.take();
    std::time_t after = std::time(nullptr);
    std::tm tm{};
    ASSERT_EQ(out.size(), std::string("\nNow is 2024/05/01 10:00:00\n").size()) << out;
    ASSERT_NE(strptime(out.c_str(), "\nNow is %Y/%m/%d %H:%M:%S\n", &tm), nullptr) << out;
    tm.tm_isdst = -1;
    std::time_t printed = std::mktime(&tm);
    EXPECT_GE(printed, before - 1);
    EXPECT_LE(printed, after + 1);
}

TEST_F(DumpRecordsTest, NullRecordsAreReported) {
    {
        StdoutCapture cap;
        ss_fp_appmng_printf_buffer(nullptr, 10);
        EXPECT_TRUE(fpss_test::is_null_line(cap.take(), "ss_fp_appmng_printf_buffer"));
    }
    {
        StdoutCapture cap;
        uint8_t b = 0;
        ss_fp_appmng_printf_buffer(&b, 1);
        EXPECT_EQ(cap.take(), "");
    }
    const std::pair<std::function<int()>, const char *> dumps[] = {
        {[] { return ss_fp_appmng_dump_acl(nullptr); }, "ss_fp_appmng_dump_acl"},
        {[] { return ss_fp_appmng_dump_ace(nullptr); }, "ss_fp_appmng_dump_ace"},
        {[] { return ss_fp_appmng_dump_ace_tlv(nullptr); }, "ss_fp_appmng_dump_ace_tlv"},
        {[] { return ss_fp_appmng_dump_apply(nullptr); }, "ss_fp_appmng_dump_apply"},
        {[] { return ss_fp_appmng_dump_flags(nullptr, 32); }, "ss_fp_appmng_dump_flags"},
    };
    for (const auto &d : dumps) {
        StdoutCapture cap;
        EXPECT_EQ(d.first(), -1) << d.second;
        EXPECT_TRUE(fpss_test::is_null_line(cap.take(), d.second)) << d.second;
    }
}

}  // namespace
