/* JPEG test files through libjpeg (see JpegTestFiles.h). */
#include "JpegTestFiles.h"
#include <setjmp.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <jpeglib.h>

typedef struct TestError
{
    struct jpeg_error_mgr pub;
    jmp_buf jump;
    int warnings;
} TestError;

static void OnError(j_common_ptr cinfo) { longjmp(((TestError*)cinfo->err)->jump, 1); }

static void OnMessage(j_common_ptr cinfo, int level)
{
    if (level < 0)
        ++((TestError*)cinfo->err)->warnings;
}

static struct jpeg_error_mgr* InitError(TestError* err)
{
    jpeg_std_error(&err->pub);
    err->pub.error_exit = OnError;
    err->pub.emit_message = OnMessage;
    err->warnings = 0;
    return &err->pub;
}

TestJpegLayout TestJpegDefaults(int width, int height)
{
    TestJpegLayout layout;
    memset(&layout, 0, sizeof layout);
    layout.width = width;
    layout.height = height;
    layout.colour = TESTJPEG_YCC;
    layout.quality = 90;
    layout.hSamp = layout.vSamp = 2;
    return layout;
}

static void ToCmyk(const unsigned char* bgr, unsigned char* cmyk, int width, int inverted)
{
    int x;
    for (x = 0; x < width; ++x, bgr += 3, cmyk += 4) {
        const int b = bgr[0], g = bgr[1], r = bgr[2];
        const int mx = r > g ? (r > b ? r : b) : (g > b ? g : b);
        unsigned char ink[4];
        ink[0] = (unsigned char)(mx ? ((mx - r) * 255 + mx / 2) / mx : 0);
        ink[1] = (unsigned char)(mx ? ((mx - g) * 255 + mx / 2) / mx : 0);
        ink[2] = (unsigned char)(mx ? ((mx - b) * 255 + mx / 2) / mx : 0);
        ink[3] = (unsigned char)(255 - mx);
        for (int i = 0; i < 4; ++i)
            cmyk[i] = (unsigned char)(inverted ? 255 - ink[i] : ink[i]);
    }
}

static unsigned char Grey(const unsigned char* bgr)
{
    return (unsigned char)((bgr[2] * 299 + bgr[1] * 587 + bgr[0] * 114 + 500) / 1000);
}

int WriteTestJpeg(const char* path, const TestJpegLayout* layout, const unsigned char* bgr, ptrdiff_t stride)
{
    struct jpeg_compress_struct cinfo;
    TestError err;
    jpeg_scan_info* volatile script = NULL;
    unsigned char* volatile row = NULL;
    FILE* file = fopen(path, "wb");
    if (!file)
        return -1;
    memset(&cinfo, 0, sizeof cinfo);
    cinfo.err = InitError(&err);
    if (setjmp(err.jump)) {
        jpeg_destroy_compress(&cinfo);
        fclose(file);
        free(script);
        free(row);
        return -1;
    }
    jpeg_create_compress(&cinfo);
    jpeg_stdio_dest(&cinfo, file);
    cinfo.image_width = (JDIMENSION)layout->width;
    cinfo.image_height = (JDIMENSION)layout->height;
    const int cmyk = layout->colour == TESTJPEG_CMYK || layout->colour == TESTJPEG_YCCK || layout->colour == TESTJPEG_CMYK_PLAIN;
    cinfo.input_components = layout->colour == TESTJPEG_GREY ? 1 : cmyk ? 4 : 3;
    cinfo.in_color_space = layout->colour == TESTJPEG_GREY ? JCS_GRAYSCALE : cmyk ? JCS_CMYK : JCS_EXT_BGR;
    jpeg_set_defaults(&cinfo);
    jpeg_set_quality(&cinfo, layout->quality, TRUE);
    switch (layout->colour) {
    case TESTJPEG_RGB: jpeg_set_colorspace(&cinfo, JCS_RGB); break;
    case TESTJPEG_YCCK: jpeg_set_colorspace(&cinfo, JCS_YCCK); break;
    case TESTJPEG_CMYK:
    case TESTJPEG_CMYK_PLAIN: jpeg_set_colorspace(&cinfo, JCS_CMYK); break;
    default: break;
    }
    if (layout->colour == TESTJPEG_CMYK_PLAIN)
        cinfo.write_Adobe_marker = FALSE;
    if (cinfo.num_components > 1) {
        cinfo.comp_info[0].h_samp_factor = layout->hSamp;
        cinfo.comp_info[0].v_samp_factor = layout->vSamp;
    }
    cinfo.write_JFIF_header = layout->jfif && !cmyk && layout->colour != TESTJPEG_RGB;
    cinfo.density_unit = (UINT8)layout->densityUnit;
    cinfo.X_density = (UINT16)layout->xDensity;
    cinfo.Y_density = (UINT16)layout->yDensity;
    cinfo.restart_in_rows = layout->restartRows;
    cinfo.arith_code = layout->arithmetic ? TRUE : FALSE;
    if (layout->progressive)
        jpeg_simple_progression(&cinfo);
    if (layout->scanPerCoefficient) {
        const int n = cinfo.num_components;
        int s = 0, c, k;
        script = (jpeg_scan_info*)calloc((size_t)(1 + 63 * n), sizeof *script);
        script[s].comps_in_scan = n;
        for (c = 0; c < n; ++c)
            script[s].component_index[c] = c;
        ++s;
        for (k = 1; k < 64; ++k)
            for (c = 0; c < n; ++c, ++s) {
                script[s].comps_in_scan = 1;
                script[s].component_index[0] = c;
                script[s].Ss = script[s].Se = k;
            }
        cinfo.scan_info = script;
        cinfo.num_scans = s;
    }
    jpeg_start_compress(&cinfo, TRUE);
    if (layout->exif) {
        unsigned char* app1 = (unsigned char*)malloc(6 + layout->exifSize);
        memcpy(app1, "Exif\0\0", 6);
        memcpy(app1 + 6, layout->exif, layout->exifSize);
        jpeg_write_marker(&cinfo, JPEG_APP0 + 1, app1, (unsigned)(6 + layout->exifSize));
        free(app1);
    }
    row = (unsigned char*)malloc((size_t)layout->width * 4);
    while (cinfo.next_scanline < cinfo.image_height) {
        const unsigned char* source = bgr + (ptrdiff_t)cinfo.next_scanline * stride;
        JSAMPROW rows[1];
        if (cmyk) {
            ToCmyk(source, row, layout->width, layout->colour != TESTJPEG_CMYK_PLAIN);
            rows[0] = row;
        } else if (layout->colour == TESTJPEG_GREY) {
            for (int x = 0; x < layout->width; ++x)
                row[x] = Grey(source + 3 * x);
            rows[0] = row;
        } else {
            rows[0] = (JSAMPROW)source;
        }
        jpeg_write_scanlines(&cinfo, rows, 1);
    }
    jpeg_finish_compress(&cinfo);
    jpeg_destroy_compress(&cinfo);
    free(script);
    free(row);
    return fclose(file) == 0 ? 0 : -1;
}

int InspectTestJpeg(const unsigned char* data, size_t size, int scaleDenom, unsigned char* bgr, ptrdiff_t stride,
                    TestJpegFacts* facts)
{
    struct jpeg_decompress_struct cinfo;
    TestError err;
    memset(&cinfo, 0, sizeof cinfo);
    cinfo.err = InitError(&err);
    if (setjmp(err.jump)) {
        jpeg_destroy_decompress(&cinfo);
        return -1;
    }
    jpeg_create_decompress(&cinfo);
    jpeg_mem_src(&cinfo, data, (unsigned long)size);
    jpeg_read_header(&cinfo, TRUE);
    facts->firstQuant = cinfo.quant_tbl_ptrs[0] ? cinfo.quant_tbl_ptrs[0]->quantval[0] : -1;
    facts->hSamp = cinfo.comp_info[0].h_samp_factor;
    facts->vSamp = cinfo.comp_info[0].v_samp_factor;
    if (bgr) {
        cinfo.out_color_space = JCS_EXT_BGR;
        cinfo.scale_num = 1;
        cinfo.scale_denom = (unsigned)scaleDenom;
        jpeg_start_decompress(&cinfo);
        while (cinfo.output_scanline < cinfo.output_height) {
            JSAMPROW rows[1] = {bgr + (ptrdiff_t)cinfo.output_scanline * stride};
            jpeg_read_scanlines(&cinfo, rows, 1);
        }
        jpeg_finish_decompress(&cinfo);
    }
    facts->warnings = err.warnings;
    jpeg_destroy_decompress(&cinfo);
    return 0;
}
