/* The picture library's calls into libjpeg, behind one error boundary.
 *
 * libjpeg reports a fatal error by calling error_exit, which must not return (its default ends
 * the process). Here it jumps back to the entry function of JpegCodec.c that made the call, so
 * the jump only ever crosses C frames of this file and of libjpeg, never a C++ frame with
 * destructors to run. Warnings that mean lost picture data (a truncated or corrupt entropy
 * stream) end the call the same way, so a damaged file fails instead of loading half grey.
 *
 * Not exported. Every function is safe to call from several threads at once on different data.
 */
#pragma once
#include <stddef.h>

#ifdef __cplusplus
extern "C" {
#endif

enum KxJpegResult
{
    KXJPEG_OK = 0,
    KXJPEG_DAMAGED = 1,      /* not a JPEG, or the data is corrupt or cut short */
    KXJPEG_UNSUPPORTED = 2,  /* a valid JPEG of a kind not read here (e.g. 12-bit samples) */
    KXJPEG_NO_MEMORY = 3,
    KXJPEG_STOPPED = 4       /* the band callback asked to stop */
};

enum KxJpegColour
{
    KXJPEG_GREY = 1,
    KXJPEG_YCC = 2,     /* YCbCr, or RGB stored as such */
    KXJPEG_CMYK = 3,
    KXJPEG_YCCK = 4
};

typedef struct KxJpegHeader
{
    int width, height;          /* of the frame */
    int colour;                 /* KXJPEG_GREY ... KXJPEG_YCCK */
    int components;             /* 1, 3 or 4 */
    int adobe;                  /* an Adobe APP14 marker was seen: CMYK samples are stored inverted */
    int progressive;            /* progressive or otherwise multi-scan */
    int arithmetic;             /* arithmetic entropy coding */
    int mcuWidth, mcuHeight;    /* pixels covered by one MCU */
    int restartInterval;        /* MCUs between restart markers, 0 when there are none */
    int densityUnit;            /* of the JFIF marker: 0 none (aspect only), 1 dpi, 2 dots per cm; -1 no JFIF */
    int xDensity, yDensity;
} KxJpegHeader;

/* Reads and checks the markers up to the first scan. */
int KxJpegReadHeader(const unsigned char* data, size_t size, KxJpegHeader* header);

/* Where decoded pixels go: rows of 8-bit BGR, row y of the picture at bits + y * stride. */
typedef struct KxJpegTarget
{
    unsigned char* bits;
    ptrdiff_t stride;
    int skipRows;       /* decoded rows dropped before the first stored one */
    int rows;           /* rows stored; decoding stops after them */
    /* Called, when not null, after every 16 stored rows and after the last with the rows stored
     * so far and rows; returning 0 stops the decode with KXJPEG_STOPPED. It must return normally (no
     * exception, no jump), and it runs while the decoder holds its memory. */
    int (*band)(void* user, int stored, int rows);
    void* bandUser;
} KxJpegTarget;

/* The size of the picture decoded at 1 / scaleDenom (1, 2, 4 or 8). */
void KxJpegScaledSize(const KxJpegHeader* header, int scaleDenom, int* width, int* height);

/* Consecutive pieces of memory that together make one JPEG stream. */
typedef struct KxJpegPiece
{
    const unsigned char* bytes;
    size_t size;
} KxJpegPiece;

/* Decodes the stream at 1 / scaleDenom (1, 2, 4 or 8) into target: grey is widened to BGR, CMYK
 * and YCCK are turned into BGR without a colour profile, R = (255 - C) * (255 - K) / 255 on the
 * true ink amounts (Adobe files store them inverted). Progressive files with more than maxScans
 * scans are refused as damaged, as no real encoder writes that many. */
int KxJpegDecode(const KxJpegPiece* pieces, int pieceCount, int scaleDenom, int maxScans, const KxJpegTarget* target);

/* Decodes a whole stream in memory at 1/8 the fast way where it can: from the DC coefficients of
 * baseline files, with the pixels KxJpegDecode gives at that scale. KXJPEG_OK or KXJPEG_STOPPED
 * (the band callback); KXJPEG_NO_MEMORY; KXJPEG_UNSUPPORTED when it did not decode the stream,
 * which then goes to KxJpegDecode: other kinds of file (progressive, 4:2:0, ...), and any stream
 * that is damaged or unusual, for KxJpegDecode to read or judge as it always does. */
int KxJpegDecodeEighth(const unsigned char* data, size_t size, const KxJpegTarget* target);

typedef struct KxJpegEncoding
{
    int width, height;
    int bytesPerPixel;          /* 3 BGR or 4 BGRA (alpha ignored) */
    int quality;                /* 1..100 */
    int subsampleChroma;        /* 1: chroma at half size both ways (4:2:0); 0: full size (4:4:4) */
    int xDensity, yDensity;     /* dots per inch, written in the JFIF marker */
    int restartRows;            /* a restart marker after every so many MCU rows; 0 for none */
} KxJpegEncoding;

/* Where the encoder writes: a buffer of the caller's, and how to make it larger. grow returns a
 * buffer of at least needed bytes holding the first keep bytes of the old one, or null when it
 * cannot; it must return normally (no exception, no jump). */
typedef struct KxJpegOutput
{
    unsigned char* buffer;
    size_t capacity;
    unsigned char* (*grow)(void* user, size_t needed, size_t keep, size_t* capacity);
    void* user;
    size_t size;    /* bytes written */
} KxJpegOutput;

/* Compresses the pixels (row y at bits + y * stride) into a complete JPEG stream with the
 * standard Huffman tables. */
int KxJpegEncode(const KxJpegEncoding* encoding, const unsigned char* bits, ptrdiff_t stride, KxJpegOutput* output);

/* The MCU height that KxJpegEncode uses for the chroma choice: 16 with subsampling, 8 without. */
int KxJpegMcuHeight(int subsampleChroma);

#ifdef __cplusplus
}
#endif
