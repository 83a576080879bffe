/* JPEG files of every kind the picture library must read, written straight through libjpeg as
 * cameras, scanners and print workflows write them, and a plain whole-file libjpeg decode to
 * compare the library's own reading with. C, so libjpeg's errors can jump back here safely. */
#pragma once
#include <stddef.h>

#ifdef __cplusplus
extern "C" {
#endif

enum TestJpegColour
{
    TESTJPEG_YCC,         /* YCbCr, the usual photograph */
    TESTJPEG_GREY,
    TESTJPEG_RGB,         /* three components stored as RGB (Adobe marker, transform 0) */
    TESTJPEG_CMYK,        /* inverted CMYK with an Adobe marker, as Photoshop writes it */
    TESTJPEG_YCCK,        /* inverted CMYK through YCCK, Adobe transform 2 */
    TESTJPEG_CMYK_PLAIN   /* CMYK without an Adobe marker: ink amounts stored as they are */
};

typedef struct TestJpegLayout
{
    int width, height;
    int colour;                 /* TESTJPEG_... */
    int quality;                /* 1..100 */
    int hSamp, vSamp;           /* luma sampling factors: 2, 2 is 4:2:0; 2, 1 is 4:2:2; 1, 1 is 4:4:4 */
    int progressive;            /* 1: libjpeg's standard progression */
    int scanPerCoefficient;     /* 1: a progression of one scan per AC coefficient and component */
    int arithmetic;
    int restartRows;            /* a restart marker after every so many rows of blocks, 0 none */
    int jfif;                   /* write a JFIF marker with the density below */
    int densityUnit, xDensity, yDensity;
    const unsigned char* exif;  /* APP1 payload after "Exif\0\0" (a TIFF structure), or null */
    size_t exifSize;
} TestJpegLayout;

/* A layout of a plain photograph: YCbCr 4:2:0, quality 90, JFIF without a density unit. */
TestJpegLayout TestJpegDefaults(int width, int height);

/* Writes bgr (rows of 8-bit B, G, R at bgr + y * stride) as layout says. CMYK kinds take the
 * complement rule: K = 255 - max(R, G, B), C = (max - R) * 255 / max and so on. 0 on success. */
int WriteTestJpeg(const char* path, const TestJpegLayout* layout, const unsigned char* bgr, ptrdiff_t stride);

/* What libjpeg finds in a stream: the first luminance quantisation value, the luma sampling
 * factors, and the warnings of a decode. */
typedef struct TestJpegFacts
{
    int firstQuant, hSamp, vSamp, warnings;
} TestJpegFacts;

/* Reads the stream's headers and, when bgr is given, decodes the whole stream at 1 / scaleDenom
 * into BGR rows of the given stride (room for the scaled size is the caller's), as a decoder that
 * knows nothing of restart markers does. 0 on success, -1 on a libjpeg error. */
int InspectTestJpeg(const unsigned char* data, size_t size, int scaleDenom, unsigned char* bgr, ptrdiff_t stride,
                    TestJpegFacts* facts);

#ifdef __cplusplus
}
#endif
