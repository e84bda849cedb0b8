/*
 * TCAM parameter records and their dumps.
 *
 * The TCAM side of the FP stack describes each hardware classifier entry and
 * the hardware resources it uses (key, virtual group, range comparators,
 * user-defined-field chunks, meter, counter, binding) in the parameter records
 * below. The dumps print such records to standard output for diagnosis, one
 * flush after every line, in the fixed texts that field tools parse.
 *
 * The layouts are shared with the TCAM modules that fill the records: every
 * offset is fixed, in host byte order. Bytes marked reserved belong to those
 * modules; the dumps never read them.
 *
 * Null records: a dump given a null record prints
 *   "\n !!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!! <dump name>[<line>]: null pointer."
 * and returns -1.
 *
 * Thread safety: the dumps keep no state; any thread may call them. A record
 * must not change while it is dumped. Lines of dumps running at the same time
 * on several threads may interleave.
 *
 * Ownership: the dumps only read their record; the caller keeps it.
 */
#ifndef SS_FP_TCAM_DUMP_H
#define SS_FP_TCAM_DUMP_H

#include <stdint.h>

#include "ss_fp_appmng.h"
#include "ss_fp_export.h"

#ifdef __cplusplus
extern "C" {
#endif

/* Interface kinds of a TCAM entry (tcam_entry_para_t.intf_type). */
enum ss_fp_tcam_intf_type {
    INTF_TYPE_NONE = 0,     /* Not bound to an interface. */
    INTF_TYPE_PORT = 1,     /* One port: intf.port. */
    INTF_TYPE_PBMP = 2,     /* A port bitmap: intf.pbmp. */
    INTF_TYPE_BIND_INFO = 3 /* A binding entry: intf.bind_info_id. */
};

/* Words of a port bitmap. */
#define SS_FP_TCAM_PBMP_WORDS 8
/* Range comparators of a comparator record. */
#define SS_FP_TCAM_COMPARATOR_MAX 2
/* Classifier entries of a UDF chunk record. */
#define SS_FP_TCAM_UDF_CLSFIER_MAX 20
/* 'offset' of a classifier entry that is not in use. */
#define SS_FP_TCAM_UDF_OFFSET_UNUSED 0xFFFF
/* UDF chunks a TCAM entry holds; the dump shows at most this many, whatever
 * 'udf_chunk_num' says. */
#define SS_FP_TCAM_UDF_CHUNK_MAX 16

/* Records. */

/* A key description, 80 bytes. */
typedef struct key_info {
    uint8_t reserved0[16];                          /* The key's owner's. */
    uint32_t id;                                    /* Key id. */
    uint8_t has_bmp;                                /* Non-zero when the bitmaps below are filled. */
    uint8_t reserved1[3];                           /* Padding. */
    uint32_t rule_flags[SS_FP_RULE_FLAG_WORDS];     /* Rule flags the key matches on. */
    uint32_t action_flags[SS_FP_ACTION_FLAG_WORDS]; /* Actions the key supports. */
    uint32_t width;                                 /* Key width. */
    uint32_t key_2_stage_abmp;                      /* Stages the key may use, a bitmap. */
    uint32_t key_2_udfpool_abmp;                    /* UDF pools the key may use, a bitmap. */
} key_info_t;

/* A virtual group, 168 bytes. */
typedef struct vag_para {
    uint8_t pri;            /* Group priority. */
    uint8_t reserved0[3];   /* Padding. */
    uint32_t vag_id;        /* Group id. */
    uint8_t reserved1[24];  /* The group's owner's. */
    key_info_t key;         /* The group's key; its id is printed as key_id. */
    uint8_t reserved2[48];  /* The group's owner's. */
    uint32_t udf_pool_bmp;  /* UDF pools in use, a bitmap. */
    uint32_t udf_chunk_bmp; /* UDF chunks in use, a bitmap. */
} vag_para_t;

/* Range comparators, 36 bytes. */
typedef struct comparator_para {
    uint32_t id;                                        /* Comparator record id. */
    uint32_t count;                                     /* Comparators in use, at most 2. */
    uint32_t reserved0;                                 /* The owner's. */
    uint32_t comparator_type[SS_FP_TCAM_COMPARATOR_MAX]; /* Kind of each comparator. */
    uint32_t min[SS_FP_TCAM_COMPARATOR_MAX];             /* Lower bound of each range. */
    uint32_t max[SS_FP_TCAM_COMPARATOR_MAX];             /* Upper bound of each range. */
} comparator_para_t;

/* One classifier entry of a UDF chunk, 20 bytes. */
typedef struct udf_clsfier {
    uint16_t clsfier;      /* Classifier number. */
    uint16_t data;         /* Match data. */
    uint16_t mask;         /* Match mask. */
    uint16_t reserved0;    /* Padding. */
    uint32_t achor_type;   /* Anchor the offset counts from. */
    uint32_t offset;       /* Offset from the anchor; SS_FP_TCAM_UDF_OFFSET_UNUSED when unused. */
    uint8_t reserved1[4];  /* The owner's. */
} udf_clsfier_t;

/* A user-defined-field chunk, 412 bytes. */
typedef struct udf_para {
    uint32_t udf_pool_id;                                /* UDF pool. */
    uint32_t chunk_id;                                   /* Chunk in the pool. */
    uint32_t width;                                      /* Chunk width. */
    udf_clsfier_t clsfier[SS_FP_TCAM_UDF_CLSFIER_MAX];   /* Classifier entries. */
} udf_para_t;

/* A meter, 36 bytes. The rate fields depend on 'meter_mode'. */
typedef struct meter_para {
    uint32_t stage;          /* Pipeline stage. */
    uint32_t meter_pool_id;  /* Meter pool. */
    uint32_t meter_entry_id; /* Entry in the pool. */
    uint32_t meter_mode;     /* 0: 'single'; 1, 2: 'sr'; 3, 4: 'tr'. */
    uint32_t pkt_mode;       /* Non-zero when the meter counts packets. */
    union {
        struct {
            uint32_t bps;   /* Rate. */
            uint32_t burst; /* Burst size. */
            uint32_t reserved0[2]; /* Unused in this mode. */
        } single; /* Mode 0. */
        struct {
            uint32_t cir; /* Committed rate. */
            uint32_t cbs; /* Committed burst. */
            uint32_t ebs; /* Excess burst. */
            uint32_t reserved0; /* Unused in this mode. */
        } sr; /* Modes 1 and 2: one rate. */
        struct {
            uint32_t cir; /* Committed rate. */
            uint32_t pir; /* Peak rate. */
            uint32_t cbs; /* Committed burst. */
            uint32_t ebs; /* Excess burst. */
        } tr; /* Modes 3 and 4: two rates. */
    } rate; /* Rate fields. */
} meter_para_t;

/* One UDF chunk of a TCAM entry, 10 bytes, unaligned. */
typedef struct tcam_udf_chunk {
    uint8_t chunk_id;    /* Chunk number. */
    uint8_t chunk_width; /* Chunk width. */
    uint8_t data[4];     /* Match data bytes. */
    uint8_t mask[4];     /* Match mask bytes. */
} tcam_udf_chunk_t;

/* One classifier entry, 328 bytes. */
typedef struct tcam_entry_para {
    ss_fp_appmng_ace_tlv_t *ace_tlv; /* The entry's rules and actions; the caller's. */
    uint32_t intf_type;              /* enum ss_fp_tcam_intf_type. */
    uint8_t reserved0[4];            /* Padding. */
    union {
        uint8_t port;                          /* INTF_TYPE_PORT. */
        uint32_t pbmp[SS_FP_TCAM_PBMP_WORDS];  /* INTF_TYPE_PBMP. */
        uint32_t bind_info_id;                 /* INTF_TYPE_BIND_INFO. */
    } intf;                                    /* The interface, by 'intf_type'. */
    uint32_t block;                            /* TCAM block. */
    uint32_t cell_id;                          /* Cell in the block. */
    uint8_t reserved1[56];                     /* The owner's. */
    uint8_t stage;                             /* Pipeline stage. */
    uint8_t vag;                               /* Virtual group. */
    uint8_t key_id;                            /* Key. */
    uint8_t meter_pool;                        /* Meter pool. */
    uint16_t meter_entry;                      /* Meter entry. */
    uint8_t cnter_pool;                        /* Counter pool. */
    uint8_t reserved2;                         /* Padding. */
    uint16_t cnter_entry;                      /* Counter entry. */
    uint8_t reserved3[4];                      /* The owner's. */
    uint8_t comp_pool;                         /* Range-comparator pool. */
    uint8_t reserved4;                         /* Padding. */
    uint32_t entry_bmp;                        /* Comparator entries in use, a bitmap. */
    uint32_t rule_flags[SS_FP_RULE_FLAG_WORDS]; /* Rule flags of the entry itself. */
    uint8_t udf_chunk_num;                     /* Chunks in use in 'udf_chunk'. */
    tcam_udf_chunk_t udf_chunk[SS_FP_TCAM_UDF_CHUNK_MAX]; /* UDF chunks. */
} tcam_entry_para_t;

/* A counter, 76 bytes. */
typedef struct cnter_para {
    uint32_t stage;          /* Pipeline stage. */
    uint32_t tcam_pool_id;   /* TCAM pool the counter serves. */
    uint32_t cnter_pool_id;  /* Counter pool. */
    uint32_t cnter_entry_id; /* Entry in the pool. */
    uint8_t reserved0[48];   /* The owner's. */
    uint32_t cnter_num;      /* Counters in use. */
    uint32_t cnter_mode[2];  /* Mode of each counter. */
} cnter_para_t;

/* A binding entry, 12 bytes. */
typedef struct bind_info_para {
    uint32_t stage;              /* Pipeline stage. */
    uint8_t port;                /* Bound port. */
    uint8_t reserved0[3];        /* Padding. */
    uint32_t bind_info_entry_id; /* Binding entry. */
} bind_info_para_t;

/* Dumps.
 *
 * Each prints its record and returns 0 (dump_cnter_para and
 * dump_bind_info_para: the result of their last flush), or -1 for a null
 * record. */

SS_FP_API int dump_key_info(const key_info_t *key);
/* The group line, its key (as dump_key_info), then its UDF bitmaps. */
SS_FP_API int dump_vag_para(const vag_para_t *vag);
/* The comparators in use: 'count' of them, at most 2. */
SS_FP_API int dump_comparator_para(const comparator_para_t *comp);
/* The classifier entries whose offset is not SS_FP_TCAM_UDF_OFFSET_UNUSED. */
SS_FP_API int dump_udf_para(const udf_para_t *udf);
/* The rate fields as 'meter_mode' selects them; none for modes above 4. */
SS_FP_API int dump_meter_para(const meter_para_t *meter);
/* The 8 words of a port bitmap on one line. */
SS_FP_API int ss_fp_dump_pbmp(const uint32_t *pbmp);
/* The entry: interface, placement, rules and actions of its block (names, then
 * decoded values), its own rule flags, resources and UDF chunks. */
SS_FP_API int dump_tcam_entry_para(const tcam_entry_para_t *entry);
SS_FP_API int dump_cnter_para(const cnter_para_t *cnter);
SS_FP_API int dump_bind_info_para(const bind_info_para_t *bind);

#ifdef __cplusplus
}
#endif

#endif /* SS_FP_TCAM_DUMP_H */
