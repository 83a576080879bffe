/* The eighth-size decode from DC coefficients (see JpegDcScan.h). */
#include "JpegDcScan.h"
#include <stdint.h>
#include <stdlib.h>
#include <string.h>

/* ---- Huffman tables ---------------------------------------------------------------------- */

/* Bits looked at at once; an AC table is 8 KB and a DC table 2 KB, so all of a file's tables
 * stay in the first-level cache. */
enum { AC_BITS = 11, DC_BITS = 9 };

typedef struct Huffman
{
    int maxCode[17];       /* the largest code of each length, -1 for none */
    int valueOffset[17];   /* index of a code's value: code + valueOffset[length] */
    unsigned char values[256];
} Huffman;

/* Builds the canonical code of a table as libjpeg does; 0 for a table libjpeg refuses (more
 * codes of a length than fit, or a DC category above 15). */
static int BuildHuffman(Huffman* t, const unsigned char* bits, const unsigned char* values, int isDc)
{
    int code = 0, count = 0, length, i;
    for (length = 1; length <= 16; ++length)
        count += bits[length];
    if (count > 256)
        return 0;
    memset(t->values, 0, sizeof t->values);
    memcpy(t->values, values, (size_t)count);
    if (isDc)
        for (i = 0; i < count; ++i)
            if (values[i] > 15)
                return 0;
    int assigned = 0;
    for (length = 1; length <= 16; ++length) {
        const int n = bits[length];
        const int remaining = count - assigned;
        t->valueOffset[length] = assigned - code;
        t->maxCode[length] = n ? code + n - 1 : -1;
        code += n;
        assigned += n;
        /* The all-ones code of a length is never given out. */
        if (remaining > 0 && code >= (1 << length))
            return 0;
        code <<= 1;
    }
    return 1;
}

/* The value and code length of the code at the top of the next 16 bits; -1 for no code. */
static int DecodeSlow(const Huffman* t, uint64_t next, int* length)
{
    int l;
    for (l = 1; l <= 16; ++l) {
        const int code = (int)(next >> (64 - l));
        if (code <= t->maxCode[l]) {
            *length = l;
            return t->values[(code + t->valueOffset[l]) & 0xFF];
        }
    }
    return -1;
}

static int Extend(unsigned raw, int s) { return raw < (1u << (s - 1)) ? (int)raw - (1 << s) + 1 : (int)raw; }

/* A DC table entry: bits 0-4 the bits of the code and its difference together (0: decode it the
 * slow way), bits 8 and up the difference. */
static void BuildDcLookup(int32_t* lookup, const Huffman* t)
{
    unsigned w;
    for (w = 0; w < (1u << DC_BITS); ++w) {
        const uint64_t next = (uint64_t)w << (64 - DC_BITS);
        int l = 0;
        const int s = DecodeSlow(t, next, &l);
        lookup[w] = 0;
        if (s < 0 || l + s > DC_BITS)
            continue;
        const int diff = s ? Extend((unsigned)(next << l >> (64 - s)), s) : 0;
        lookup[w] = (int32_t)((uint32_t)diff << 8) | (l + s);
    }
}

/* An AC table entry, for the next AC_BITS bits:
 *   bits 0-4    the bits of the first code with its value (0: they do not all lie in AC_BITS)
 *   bits 5-9    how far it moves along the block: run + 1, 16 for a run of 16 zeros, 0 for the end
 *   bits 10-14  the bits of all the codes that lie wholly in AC_BITS, from the first on
 *   bits 15-21  how far those move along the block together
 *   bit 22      the last of them ends the block
 * When the first code's value does not fit, bits 10-14 hold the code's length if the code itself
 * fits (else 0) and bits 15-22 its symbol. */
enum { AC_END = 1u << 22 };

static void BuildAcLookup(uint32_t* lookup, const Huffman* t)
{
    unsigned w;
    /* First the first code of every bit pattern, then the runs of codes built from them. */
    for (w = 0; w < (1u << AC_BITS); ++w) {
        const uint64_t next = (uint64_t)w << (64 - AC_BITS);
        int l = 0;
        const int symbol = DecodeSlow(t, next, &l);
        uint32_t e = 0;
        if (symbol >= 0 && l <= AC_BITS) {
            const int run = symbol >> 4, s = symbol & 15;
            if (l + s <= AC_BITS) {
                const unsigned advance = s ? (unsigned)run + 1 : run == 15 ? 16u : 0u;
                e = (uint32_t)(l + s) | advance << 5;
            } else {
                e = (uint32_t)l << 10 | (uint32_t)symbol << 15;
            }
        }
        lookup[w] = e;
    }
    for (w = 0; w < (1u << AC_BITS); ++w) {
        const uint32_t first = lookup[w];
        if (!(first & 31))
            continue;
        unsigned used = 0, advance = 0, end = 0;
        uint32_t e = first;
        for (;;) {
            const unsigned bits = e & 31, step = (e >> 5) & 31;
            used += bits;
            if (!step) {
                end = 1;
                break;
            }
            advance += step;
            if (advance > 63 || used >= AC_BITS)
                break;
            e = lookup[(w << used) & ((1u << AC_BITS) - 1)];
            /* The next code counts only when it and its value lie in the bits known here. */
            if (!(e & 31) || used + (e & 31) > AC_BITS || advance + ((e >> 5) & 31) > 63)
                break;
        }
        if (advance > 63) {
            /* One code alone: the block ends with it, and the single-code path handles that. */
            used = first & 31;
            advance = 127;
            end = 0;
        }
        lookup[w] = (first & 0x3FF) | used << 10 | advance << 15 | (end ? AC_END : 0);
    }
}

/* ---- Reading the entropy-coded data ------------------------------------------------------ */

typedef struct Bits
{
    uint64_t next;              /* the coming bits, first at the top */
    int count;                  /* of them real data; below 0 once more were used than there were */
    const unsigned char* at;    /* the next byte to fetch */
    const unsigned char* end;
    int marker;                 /* the code of the marker fetching stopped at (at is on its 0xFF) */
    int ended;                  /* fetching ran into the end of the data */
} Bits;

static void RefillSlow(Bits* b)
{
    while (b->count <= 56 && !b->marker && !b->ended) {
        unsigned c;
        if (b->at >= b->end) {
            b->ended = 1;
            break;
        }
        c = *b->at;
        if (c == 0xFF) {
            /* 0xFF 0x00 is a data byte 0xFF; fill bytes 0xFF may come before either. */
            const unsigned char* q = b->at + 1;
            while (q < b->end && *q == 0xFF)
                ++q;
            if (q >= b->end) {
                b->ended = 1;
                break;
            }
            if (*q != 0) {
                b->marker = *q;
                break;
            }
            b->at = q + 1;
        } else {
            ++b->at;
        }
        b->next |= (uint64_t)c << (56 - b->count);
        b->count += 8;
    }
}

/* Brings count to at least 32 bits while there is data before a marker. */
static inline void Refill(Bits* b)
{
    if (b->count >= 32)
        return;
    if (b->end - b->at >= 8) {
        uint64_t v;
        memcpy(&v, b->at, 8);
        v = __builtin_bswap64(v);
        const uint64_t inverse = ~v;
        /* No 0xFF among the eight bytes: take as many whole ones as fit. The bits of a byte
         * taken in part are the same the next fetch puts there. */
        if (!((inverse - 0x0101010101010101ull) & ~inverse & 0x8080808080808080ull)) {
            const int bytes = (64 - b->count) >> 3;
            b->next |= v >> b->count;
            b->at += bytes;
            b->count += bytes * 8;
            return;
        }
    }
    RefillSlow(b);
}

static inline void Drop(Bits* b, int n)
{
    b->next <<= n;
    b->count -= n;
}

/* Moves on to the marker after the data fetched so far, as libjpeg's search for the next marker
 * does (stuffed bytes and other data before it are passed over); 0 when the data ends first. */
static int FindMarker(Bits* b)
{
    const unsigned char* p = b->at;
    if (b->marker)
        return 1;
    for (;;) {
        const unsigned char* q;
        p = p < b->end ? (const unsigned char*)memchr(p, 0xFF, (size_t)(b->end - p)) : NULL;
        if (!p)
            return 0;
        q = p + 1;
        while (q < b->end && *q == 0xFF)
            ++q;
        if (q >= b->end)
            return 0;
        if (*q != 0) {
            b->at = p;
            b->marker = *q;
            return 1;
        }
        p = q + 1;
    }
}

/* ---- Pixels ------------------------------------------------------------------------------ */

/* libjpeg's limit after the inverse DCT, indexed by (value & 1023): values far out of range
 * wrap as they do there. */
static void BuildIdctLimit(unsigned char* limit)
{
    int x;
    for (x = 0; x < 1024; ++x)
        limit[x] = (unsigned char)(x < 128 ? x + 128 : x < 512 ? 255 : x < 896 ? 0 : x - 896);
}

static inline unsigned char Clamp(int v) { return (unsigned char)(v < 0 ? 0 : v > 255 ? 255 : v); }

/* libjpeg's YCbCr tables: 16 fractional bits, rounded as there. */
typedef struct YccTables
{
    int crR[256], cbB[256];
    int32_t crG[256], cbG[256];
} YccTables;

static void BuildYcc(YccTables* t)
{
    int i;
    for (i = 0; i < 256; ++i) {
        const int32_t x = i - 128;
        t->crR[i] = (int)((91881 * x + 32768) >> 16);     /* 1.40200 */
        t->cbB[i] = (int)((116130 * x + 32768) >> 16);    /* 1.77200 */
        t->crG[i] = -46802 * x;                           /* 0.71414 */
        t->cbG[i] = -22554 * x + 32768;                   /* 0.34414 */
    }
}

void KxJpegCmykToBgr(const unsigned char* cmyk, unsigned char* bgr, unsigned width, int inverted)
{
    unsigned x;
    for (x = 0; x < width; ++x, cmyk += 4, bgr += 3) {
        /* What is left of white after each ink: 255 - amount, stored directly when inverted. */
        const unsigned c = inverted ? cmyk[0] : 255u - cmyk[0];
        const unsigned m = inverted ? cmyk[1] : 255u - cmyk[1];
        const unsigned y = inverted ? cmyk[2] : 255u - cmyk[2];
        const unsigned k = inverted ? cmyk[3] : 255u - cmyk[3];
        bgr[0] = (unsigned char)((y * k + 127) / 255);
        bgr[1] = (unsigned char)((m * k + 127) / 255);
        bgr[2] = (unsigned char)((c * k + 127) / 255);
    }
}

/* One output row from the components' full-width rows. */
static void ConvertRow(const KxDcFrame* frame, const YccTables* ycc, const unsigned char* const* in, unsigned char* out,
                       unsigned char* cmyk, int width)
{
    int x;
    switch (frame->colour) {
    case KXDC_GREY:
        for (x = 0; x < width; ++x, out += 3)
            out[0] = out[1] = out[2] = in[0][x];
        break;
    case KXDC_RGB:
        for (x = 0; x < width; ++x, out += 3) {
            out[0] = in[2][x];
            out[1] = in[1][x];
            out[2] = in[0][x];
        }
        break;
    case KXDC_YCC:
        for (x = 0; x < width; ++x, out += 3) {
            const int y = in[0][x], cb = in[1][x], cr = in[2][x];
            out[0] = Clamp(y + ycc->cbB[cb]);
            out[1] = Clamp(y + (int)((ycc->cbG[cb] + ycc->crG[cr]) >> 16));
            out[2] = Clamp(y + ycc->crR[cr]);
        }
        break;
    case KXDC_CMYK:
    case KXDC_YCCK:
        for (x = 0; x < width; ++x) {
            unsigned char* p = cmyk + 4 * x;
            if (frame->colour == KXDC_YCCK) {
                const int y = in[0][x], cb = in[1][x], cr = in[2][x];
                p[0] = Clamp(255 - (y + ycc->crR[cr]));
                p[1] = Clamp(255 - (y + (int)((ycc->cbG[cb] + ycc->crG[cr]) >> 16)));
                p[2] = Clamp(255 - (y + ycc->cbB[cb]));
            } else {
                p[0] = in[0][x];
                p[1] = in[1][x];
                p[2] = in[2][x];
            }
            p[3] = in[3][x];
        }
        KxJpegCmykToBgr(cmyk, out, (unsigned)width, frame->inverted);
        break;
    }
}

/* ---- The scan ---------------------------------------------------------------------------- */

typedef struct Scan
{
    Huffman huffman[KXDC_MAX_COMPONENTS][2];
    int32_t dcLookup[KXDC_MAX_COMPONENTS][1 << DC_BITS];
    uint32_t acLookup[KXDC_MAX_COMPONENTS][1 << AC_BITS];
    unsigned char limit[1024];
    YccTables ycc;
} Scan;

/* Reads past the AC codes of one block; 0 on a code that is not in the table. */
static inline int SkipAc(Bits* b, const Huffman* t, const uint32_t* lookup)
{
    int k = 1;
    for (;;) {
        uint32_t e;
        Refill(b);
        e = lookup[b->next >> (64 - AC_BITS)];
        if (e & 31) {
            const int together = (int)((e >> 15) & 127);
            if (k + together <= 63) {
                Drop(b, (int)((e >> 10) & 31));
                k += together;
                if (e & AC_END)
                    return 1;
                continue;
            }
            Drop(b, (int)(e & 31));
            if (!((e >> 5) & 31))
                return 1;
            k += (int)((e >> 5) & 31);
            if (k >= 64)
                return 1;
            continue;
        }
        int l = (int)((e >> 10) & 31), symbol;
        if (l) {
            symbol = (int)((e >> 15) & 255);
        } else {
            symbol = DecodeSlow(t, b->next, &l);
            if (symbol < 0)
                return 0;
        }
        const int run = symbol >> 4, s = symbol & 15;
        Drop(b, l + s);
        if (s)
            k += run + 1;
        else if (run == 15)
            k += 16;
        else
            return 1;
        if (k >= 64)
            return 1;
    }
}

/* The DC difference of one block; 0 on a code that is not in the table. */
static inline int DecodeDc(Bits* b, const Huffman* t, const int32_t* lookup, int* diff)
{
    int32_t e;
    Refill(b);
    e = lookup[b->next >> (64 - DC_BITS)];
    if (e & 31) {
        Drop(b, (int)(e & 31));
        *diff = e >> 8;
        return 1;
    }
    int l = 0;
    const int s = DecodeSlow(t, b->next, &l);
    if (s < 0)
        return 0;
    Drop(b, l);
    *diff = s ? Extend((unsigned)(b->next >> (64 - s)), s) : 0;
    Drop(b, s);
    return 1;
}

int KxDcScan(const KxDcFrame* frame, const KxJpegTarget* target)
{
    const int n = frame->components;
    int maxH = 1, maxV = 1, c;
    if (n < 1 || n > KXDC_MAX_COMPONENTS || frame->width <= 0 || frame->height <= 0)
        return KXJPEG_UNSUPPORTED;
    for (c = 0; c < n; ++c) {
        if (frame->component[c].h < 1 || frame->component[c].h > 4 || frame->component[c].v < 1 ||
            frame->component[c].v > 4)
            return KXJPEG_UNSUPPORTED;
        if (frame->component[c].h > maxH)
            maxH = frame->component[c].h;
        if (frame->component[c].v > maxV)
            maxV = frame->component[c].v;
    }
    /* A single component is not interleaved: each block is an MCU of its own. */
    int h[KXDC_MAX_COMPONENTS], v[KXDC_MAX_COMPONENTS], blocks = 0;
    for (c = 0; c < n; ++c) {
        h[c] = n == 1 ? 1 : frame->component[c].h;
        v[c] = n == 1 ? 1 : frame->component[c].v;
        blocks += h[c] * v[c];
    }
    if (n == 1)
        maxH = maxV = 1;
    if (blocks > 10)
        return KXJPEG_UNSUPPORTED;
    for (c = 0; c < n; ++c)
        if (maxH % h[c] || maxV % v[c])
            return KXJPEG_UNSUPPORTED;
    const int mcusPerRow = (frame->width + 8 * maxH - 1) / (8 * maxH);
    const int mcuRows = (frame->height + 8 * maxV - 1) / (8 * maxV);
    const int outWidth = (frame->width + 7) / 8, outHeight = (frame->height + 7) / 8;
    const int last = target->skipRows + target->rows;
    if (target->skipRows < 0 || target->rows < 0 || last > outHeight)
        return KXJPEG_DAMAGED;

    Scan* scan = (Scan*)malloc(sizeof(Scan));
    /* Per component: its rows of samples for one row of MCUs, then a full-width row. */
    const size_t planeRow = (size_t)mcusPerRow * maxH;
    unsigned char* memory = (unsigned char*)malloc(planeRow * (size_t)(maxV * n + n + 4));
    if (!scan || !memory) {
        free(scan);
        free(memory);
        return KXJPEG_NO_MEMORY;
    }
    int result = KXJPEG_UNSUPPORTED;
    unsigned char* plane[KXDC_MAX_COMPONENTS];
    unsigned char* wide[KXDC_MAX_COMPONENTS];
    unsigned char* cmyk = memory + planeRow * (size_t)(maxV * n + n);
    for (c = 0; c < n; ++c) {
        plane[c] = memory + planeRow * (size_t)(maxV * c);
        wide[c] = memory + planeRow * (size_t)(maxV * n + c);
        if (!BuildHuffman(&scan->huffman[c][0], frame->component[c].dcBits, frame->component[c].dcValues, 1) ||
            !BuildHuffman(&scan->huffman[c][1], frame->component[c].acBits, frame->component[c].acValues, 0))
            goto done;
        BuildDcLookup(scan->dcLookup[c], &scan->huffman[c][0]);
        BuildAcLookup(scan->acLookup[c], &scan->huffman[c][1]);
    }
    BuildIdctLimit(scan->limit);
    BuildYcc(&scan->ycc);

    {
        Bits b;
        unsigned predictor[KXDC_MAX_COMPONENTS] = {0};
        const unsigned char* in[KXDC_MAX_COMPONENTS];
        unsigned long long mcu = 0;
        int restart = 0, row, nextBand = 16;
        memset(&b, 0, sizeof b);
        b.at = frame->data;
        b.end = frame->data + frame->size;
        for (row = 0; row < mcuRows && row * maxV < last; ++row) {
            int col, y;
            for (col = 0; col < mcusPerRow; ++col, ++mcu) {
                if (frame->restartInterval && mcu && mcu % frame->restartInterval == 0) {
                    /* The data of an interval ends with the next restart marker in turn. */
                    if (b.count < 0 || b.ended || !FindMarker(&b) || b.marker != 0xD0 + restart)
                        goto done;
                    while (*b.at == 0xFF)
                        ++b.at;
                    ++b.at;
                    restart = (restart + 1) & 7;
                    b.marker = 0;
                    b.next = 0;
                    b.count = 0;
                    memset(predictor, 0, sizeof predictor);
                }
                for (c = 0; c < n; ++c) {
                    const KxDcComponent* component = &frame->component[c];
                    int by, bx;
                    for (by = 0; by < v[c]; ++by)
                        for (bx = 0; bx < h[c]; ++bx) {
                            int diff;
                            if (!DecodeDc(&b, &scan->huffman[c][0], scan->dcLookup[c], &diff) ||
                                !SkipAc(&b, &scan->huffman[c][1], scan->acLookup[c]))
                                goto done;
                            /* libjpeg keeps the sum in an int and the coefficient in 16 bits. */
                            predictor[c] += (unsigned)diff;
                            const int coefficient = (int16_t)predictor[c];
                            const int value = coefficient * component->quant0;
                            plane[c][(size_t)by * planeRow + (size_t)col * h[c] + bx] =
                                scan->limit[((value + 4) >> 3) & 1023];
                        }
                }
                if (b.count < 0)
                    goto done;   /* ran past the data into a marker or the end */
            }
            for (y = row * maxV; y < (row + 1) * maxV && y < last; ++y) {
                if (y < target->skipRows)
                    continue;
                const int dy = y - row * maxV;
                for (c = 0; c < n; ++c) {
                    const unsigned char* source = plane[c] + (size_t)(dy / (maxV / v[c])) * planeRow;
                    const int repeat = maxH / h[c];
                    int x;
                    if (repeat == 1) {
                        in[c] = source;
                    } else {
                        for (x = 0; x < outWidth; ++x)
                            wide[c][x] = source[x / repeat];
                        in[c] = wide[c];
                    }
                }
                ConvertRow(frame, &scan->ycc, in, target->bits + (ptrdiff_t)(y - target->skipRows) * target->stride,
                           cmyk, outWidth);
            }
            const int stored = y - target->skipRows;
            if (target->band && stored > 0 && (stored >= nextBand || stored == target->rows)) {
                nextBand = (stored / 16 + 1) * 16;
                if (!target->band(target->bandUser, stored, target->rows)) {
                    result = KXJPEG_STOPPED;
                    goto done;
                }
            }
        }
        /* libjpeg reads ahead of the last block it needs: a stream that does not reach a marker
         * before the file ends is left to it to judge. */
        if (b.count >= 0 && !b.ended && FindMarker(&b))
            result = KXJPEG_OK;
    }
done:
    free(memory);
    free(scan);
    return result;
}
