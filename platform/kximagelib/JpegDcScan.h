/* The eighth-size decode of a baseline JPEG from its DC coefficients alone.
 *
 * At 1/8 scale every block of 8 x 8 pixels becomes one pixel, its mean, which is the block's DC
 * coefficient: the AC coefficients are only read past to find where the next block starts. The
 * general decoder still runs its whole pipeline for each block; this scanner reads each DC
 * difference and skips the AC codes of a block several at a time through lookup tables that give
 * the bits of a code and of its value together.
 *
 * It gives the pixels libjpeg's own 1/8 decode gives (its 1x1 inverse DCT, its replication of
 * subsampled colour at that scale, its integer YCbCr conversion), and it never claims a stream
 * that libjpeg would judge otherwise: whatever is unusual or damaged (a bad code, data cut short
 * or running into a marker, a wrong restart marker) makes it give up, and the caller decodes the
 * stream with libjpeg, which then decides. Not exported; C, called from JpegCodec.c.
 */
#pragma once
#include "JpegCodec.h"
#include <stddef.h>

#ifdef __cplusplus
extern "C" {
#endif

enum { KXDC_MAX_COMPONENTS = 4 };

/* How the components become BGR. */
enum KxDcColour
{
    KXDC_GREY,      /* one component, widened */
    KXDC_YCC,       /* YCbCr */
    KXDC_RGB,       /* three components stored as RGB */
    KXDC_CMYK,      /* four ink components */
    KXDC_YCCK       /* YCbCr of the inverted inks, plus K */
};

typedef struct KxDcComponent
{
    int h, v;                       /* sampling factors */
    int quant0;                     /* the DC quantisation value, as libjpeg's 16-bit multiplier holds it */
    const unsigned char* dcBits;    /* a Huffman table: bits[1..16] (bits[0] unused) and its values */
    const unsigned char* dcValues;
    const unsigned char* acBits;
    const unsigned char* acValues;
} KxDcComponent;

/* One frame and its single scan, in the order the scan interleaves its components. */
typedef struct KxDcFrame
{
    int width, height;
    int components;
    int colour;                     /* KXDC_... */
    int inverted;                   /* CMYK inks stored inverted (an Adobe marker) */
    KxDcComponent component[KXDC_MAX_COMPONENTS];
    unsigned restartInterval;       /* MCUs between restart markers, 0 for none */
    const unsigned char* data;      /* the entropy-coded data of the scan, up to the end of the file */
    size_t size;
} KxDcFrame;

/* Decodes the frame at 1/8 into target (see JpegCodec.h). KXJPEG_OK or KXJPEG_STOPPED, or
 * KXJPEG_UNSUPPORTED when the stream is not one this reads through to its end as libjpeg would:
 * nothing is then promised of the target's pixels. */
int KxDcScan(const KxDcFrame* frame, const KxJpegTarget* target);

/* CMYK to BGR without a colour profile (see KxJpegDecode). */
void KxJpegCmykToBgr(const unsigned char* cmyk, unsigned char* bgr, unsigned width, int inverted);

#ifdef __cplusplus
}
#endif
