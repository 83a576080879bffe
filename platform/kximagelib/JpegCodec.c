/* The libjpeg calls of the picture library and their error boundary (see JpegCodec.h). */
#include "JpegCodec.h"
#include "JpegDcScan.h"
#include <setjmp.h>
#include <stdio.h>
#include <string.h>
#include <jpeglib.h>
#include <jerror.h>

/* ---- The error boundary ------------------------------------------------------------------ */

typedef struct Boundary
{
    struct jpeg_error_mgr pub;   /* first, so libjpeg's err pointer is ours */
    jmp_buf jump;
    int result;
    int maxScans;
} Boundary;

static int ResultOf(int code)
{
    switch (code) {
    case JERR_OUT_OF_MEMORY:
    case JERR_NO_BACKING_STORE:
        return KXJPEG_NO_MEMORY;
    case JERR_BAD_PRECISION:
    case JERR_SOF_UNSUPPORTED:
    case JERR_NOT_COMPILED:
    case JERR_CONVERSION_NOTIMPL:
        return KXJPEG_UNSUPPORTED;
    default:
        return KXJPEG_DAMAGED;
    }
}

static void Leave(j_common_ptr cinfo, int result)
{
    Boundary* boundary = (Boundary*)cinfo->err;
    boundary->result = result;
    longjmp(boundary->jump, 1);
}

static void OnError(j_common_ptr cinfo)
{
    Leave(cinfo, ResultOf(cinfo->err->msg_code));
}

static void OnMessage(j_common_ptr cinfo, int level)
{
    if (level >= 0)
        return;   /* trace messages */
    switch (cinfo->err->msg_code) {
    case JWRN_HIT_MARKER:
    case JWRN_HUFF_BAD_CODE:
    case JWRN_ARITH_BAD_CODE:
    case JWRN_JPEG_EOF:
    case JWRN_MUST_RESYNC:
    case JWRN_NOT_SEQUENTIAL:
        /* Pixels are missing or made up from here on. */
        Leave(cinfo, KXJPEG_DAMAGED);
        break;
    default:
        /* Harmless: extraneous bytes between markers, an unknown JFIF revision and the like. */
        break;
    }
}

static void Silent(j_common_ptr cinfo) { (void)cinfo; }

/* Multi-scan files are read whole before the first row comes out; this runs while they are. */
static void OnProgress(j_common_ptr cinfo)
{
    Boundary* boundary = (Boundary*)cinfo->err;
    if (cinfo->is_decompressor && ((j_decompress_ptr)cinfo)->input_scan_number > boundary->maxScans)
        Leave(cinfo, KXJPEG_DAMAGED);
}

static struct jpeg_error_mgr* InitBoundary(Boundary* boundary, int maxScans)
{
    struct jpeg_error_mgr* err = jpeg_std_error(&boundary->pub);
    err->error_exit = OnError;
    err->emit_message = OnMessage;
    err->output_message = Silent;
    boundary->result = KXJPEG_OK;
    boundary->maxScans = maxScans;
    return err;
}

/* ---- Decoding ---------------------------------------------------------------------------- */

static void FillHeader(j_decompress_ptr cinfo, KxJpegHeader* header)
{
    memset(header, 0, sizeof *header);
    header->width = (int)cinfo->image_width;
    header->height = (int)cinfo->image_height;
    header->components = cinfo->num_components;
    switch (cinfo->jpeg_color_space) {
    case JCS_GRAYSCALE: header->colour = KXJPEG_GREY; break;
    case JCS_CMYK: header->colour = KXJPEG_CMYK; break;
    case JCS_YCCK: header->colour = KXJPEG_YCCK; break;
    default: header->colour = KXJPEG_YCC; break;
    }
    header->adobe = cinfo->saw_Adobe_marker;
    header->progressive = cinfo->progressive_mode;
    header->arithmetic = cinfo->arith_code;
    header->restartInterval = (int)cinfo->restart_interval;
    if (cinfo->num_components == 1) {
        /* A single component is not interleaved: its MCU is one block. */
        header->mcuWidth = header->mcuHeight = DCTSIZE;
    } else {
        header->mcuWidth = cinfo->max_h_samp_factor * DCTSIZE;
        header->mcuHeight = cinfo->max_v_samp_factor * DCTSIZE;
    }
    header->densityUnit = cinfo->saw_JFIF_marker ? cinfo->density_unit : -1;
    header->xDensity = cinfo->X_density;
    header->yDensity = cinfo->Y_density;
}

int KxJpegReadHeader(const unsigned char* data, size_t size, KxJpegHeader* header)
{
    struct jpeg_decompress_struct cinfo;
    Boundary boundary;
    memset(&cinfo, 0, sizeof cinfo);
    cinfo.err = InitBoundary(&boundary, 0);
    if (setjmp(boundary.jump)) {
        jpeg_destroy_decompress(&cinfo);
        return boundary.result;
    }
    jpeg_create_decompress(&cinfo);
    jpeg_mem_src(&cinfo, data, (unsigned long)size);
    jpeg_read_header(&cinfo, TRUE);
    FillHeader(&cinfo, header);
    jpeg_destroy_decompress(&cinfo);
    return KXJPEG_OK;
}

void KxJpegScaledSize(const KxJpegHeader* header, int scaleDenom, int* width, int* height)
{
    /* libjpeg's own rounding of scaled sizes: up. */
    *width = (header->width + scaleDenom - 1) / scaleDenom;
    *height = (header->height + scaleDenom - 1) / scaleDenom;
}

/* A source that reads the pieces one after the other, without copying them. */
typedef struct PieceSource
{
    struct jpeg_source_mgr pub;
    const KxJpegPiece* pieces;
    int count, next;
} PieceSource;

static void InitSource(j_decompress_ptr cinfo) { (void)cinfo; }

static boolean FillInput(j_decompress_ptr cinfo)
{
    static const JOCTET end[2] = {0xFF, JPEG_EOI};
    PieceSource* source = (PieceSource*)cinfo->src;
    while (source->next < source->count && source->pieces[source->next].size == 0)
        ++source->next;
    if (source->next < source->count) {
        source->pub.next_input_byte = source->pieces[source->next].bytes;
        source->pub.bytes_in_buffer = source->pieces[source->next].size;
        ++source->next;
    } else {
        /* Cut short: what jpeg_mem_src does, which ends up as a damaged file here. */
        WARNMS(cinfo, JWRN_JPEG_EOF);
        source->pub.next_input_byte = end;
        source->pub.bytes_in_buffer = 2;
    }
    return TRUE;
}

static void SkipInput(j_decompress_ptr cinfo, long count)
{
    struct jpeg_source_mgr* source = cinfo->src;
    while (count > (long)source->bytes_in_buffer) {
        count -= (long)source->bytes_in_buffer;
        FillInput(cinfo);
    }
    if (count > 0) {
        source->next_input_byte += count;
        source->bytes_in_buffer -= (size_t)count;
    }
}

static void TermSource(j_decompress_ptr cinfo) { (void)cinfo; }

int KxJpegDecode(const KxJpegPiece* pieces, int pieceCount, int scaleDenom, int maxScans, const KxJpegTarget* target)
{
    struct jpeg_decompress_struct cinfo;
    struct jpeg_progress_mgr progress;
    PieceSource source;
    Boundary boundary;
    memset(&cinfo, 0, sizeof cinfo);
    memset(&source, 0, sizeof source);
    cinfo.err = InitBoundary(&boundary, maxScans);
    if (setjmp(boundary.jump)) {
        jpeg_destroy_decompress(&cinfo);
        return boundary.result;
    }
    jpeg_create_decompress(&cinfo);
    progress.progress_monitor = OnProgress;
    cinfo.progress = &progress;
    source.pub.init_source = InitSource;
    source.pub.fill_input_buffer = FillInput;
    source.pub.skip_input_data = SkipInput;
    source.pub.resync_to_restart = jpeg_resync_to_restart;
    source.pub.term_source = TermSource;
    source.pieces = pieces;
    source.count = pieceCount;
    cinfo.src = &source.pub;
    jpeg_read_header(&cinfo, TRUE);

    const int cmyk = cinfo.jpeg_color_space == JCS_CMYK || cinfo.jpeg_color_space == JCS_YCCK;
    cinfo.out_color_space = cmyk ? JCS_CMYK : JCS_EXT_BGR;
    cinfo.scale_num = 1;
    cinfo.scale_denom = (unsigned)scaleDenom;
    cinfo.dct_method = JDCT_ISLOW;
    jpeg_start_decompress(&cinfo);

    const int end = target->skipRows + target->rows;
    if (end > (int)cinfo.output_height) {
        jpeg_destroy_decompress(&cinfo);
        return KXJPEG_DAMAGED;
    }
    /* Rows that are dropped, and CMYK rows before their conversion, go through scratch rows. */
    enum { BATCH = 16 };
    JSAMPARRAY scratch = (*cinfo.mem->alloc_sarray)((j_common_ptr)&cinfo, JPOOL_IMAGE,
                                                     cinfo.output_width * (cmyk ? 4 : 3), BATCH);
    JSAMPROW rows[BATCH];
    int nextBand = BATCH;
    while ((int)cinfo.output_scanline < end) {
        const int y = (int)cinfo.output_scanline;
        const int skipping = y < target->skipRows;
        int want = (skipping ? target->skipRows : end) - y;
        if (want > BATCH)
            want = BATCH;
        int i;
        for (i = 0; i < want; ++i)
            rows[i] = skipping || cmyk ? scratch[i] : target->bits + (y - target->skipRows + i) * target->stride;
        const int got = (int)jpeg_read_scanlines(&cinfo, rows, (JDIMENSION)want);
        if (got <= 0) {
            jpeg_destroy_decompress(&cinfo);
            return KXJPEG_DAMAGED;
        }
        if (cmyk && !skipping)
            for (i = 0; i < got; ++i)
                KxJpegCmykToBgr(scratch[i], target->bits + (y - target->skipRows + i) * target->stride,
                                cinfo.output_width, cinfo.saw_Adobe_marker);
        /* A scaled decode gives a row or two a call: the band is told once a band is complete. */
        const int stored = y + got - target->skipRows;
        if (!skipping && target->band && (stored >= nextBand || stored == target->rows)) {
            nextBand = (stored / BATCH + 1) * BATCH;
            if (!target->band(target->bandUser, stored, target->rows)) {
                jpeg_destroy_decompress(&cinfo);
                return KXJPEG_STOPPED;
            }
        }
    }
    /* Whatever follows the last row needed (the end marker, more rows of a strip) is not read. */
    jpeg_destroy_decompress(&cinfo);
    return KXJPEG_OK;
}

/* The frame and scan as the DC scanner needs them, when the stream is one it reads: baseline or
 * extended sequential Huffman data of 8-bit samples in one scan, every component decoded to one
 * sample a block at 1/8 (libjpeg enlarges chroma through the inverse DCT instead where the
 * subsampling is a power of two both ways, as in 4:2:0; those need the AC coefficients). */
static int DescribeDcFrame(j_decompress_ptr cinfo, KxDcFrame* frame)
{
    int i;
    memset(frame, 0, sizeof *frame);
    if (cinfo->data_precision != 8 || cinfo->progressive_mode || cinfo->arith_code ||
        cinfo->comps_in_scan != cinfo->num_components || cinfo->num_components > KXDC_MAX_COMPONENTS ||
        cinfo->Ss != 0 || cinfo->Se != DCTSIZE2 - 1 || cinfo->Ah != 0 || cinfo->Al != 0)
        return 0;
    switch (cinfo->jpeg_color_space) {
    case JCS_GRAYSCALE: frame->colour = KXDC_GREY; break;
    case JCS_YCbCr: frame->colour = KXDC_YCC; break;
    case JCS_RGB: frame->colour = KXDC_RGB; break;
    case JCS_CMYK: frame->colour = KXDC_CMYK; break;
    case JCS_YCCK: frame->colour = KXDC_YCCK; break;
    default: return 0;
    }
    if (cinfo->num_components != (frame->colour == KXDC_GREY ? 1 : frame->colour >= KXDC_CMYK ? 4 : 3))
        return 0;
    int maxH = 1, maxV = 1;
    for (i = 0; i < cinfo->num_components; ++i) {
        if (cinfo->comp_info[i].h_samp_factor > maxH)
            maxH = cinfo->comp_info[i].h_samp_factor;
        if (cinfo->comp_info[i].v_samp_factor > maxV)
            maxV = cinfo->comp_info[i].v_samp_factor;
    }
    /* Components in the order of the frame: the scan must list them so, as every encoder does. */
    for (i = 0; i < cinfo->num_components; ++i) {
        const jpeg_component_info* info = cinfo->cur_comp_info[i];
        KxDcComponent* component = &frame->component[i];
        const JQUANT_TBL* quant = info->quant_tbl_no >= 0 && info->quant_tbl_no < NUM_QUANT_TBLS
                                      ? cinfo->quant_tbl_ptrs[info->quant_tbl_no] : NULL;
        const JHUFF_TBL* dc = info->dc_tbl_no >= 0 && info->dc_tbl_no < NUM_HUFF_TBLS
                                  ? cinfo->dc_huff_tbl_ptrs[info->dc_tbl_no] : NULL;
        const JHUFF_TBL* ac = info->ac_tbl_no >= 0 && info->ac_tbl_no < NUM_HUFF_TBLS
                                  ? cinfo->ac_huff_tbl_ptrs[info->ac_tbl_no] : NULL;
        if (info != &cinfo->comp_info[i] || !quant || !dc || !ac)
            return 0;
        /* Where libjpeg's inverse DCT would make more than one sample of a block. */
        if (cinfo->num_components > 1 && maxH % (2 * info->h_samp_factor) == 0 && maxV % (2 * info->v_samp_factor) == 0)
            return 0;
        component->h = info->h_samp_factor;
        component->v = info->v_samp_factor;
        component->quant0 = (short)quant->quantval[0];
        component->dcBits = dc->bits;
        component->dcValues = dc->huffval;
        component->acBits = ac->bits;
        component->acValues = ac->huffval;
    }
    frame->width = (int)cinfo->image_width;
    frame->height = (int)cinfo->image_height;
    frame->components = cinfo->num_components;
    frame->inverted = cinfo->saw_Adobe_marker;
    frame->restartInterval = cinfo->restart_interval;
    frame->data = cinfo->src->next_input_byte;
    frame->size = cinfo->src->bytes_in_buffer;
    return 1;
}

int KxJpegDecodeEighth(const unsigned char* data, size_t size, const KxJpegTarget* target)
{
    struct jpeg_decompress_struct cinfo;
    Boundary boundary;
    KxDcFrame frame;
    memset(&cinfo, 0, sizeof cinfo);
    cinfo.err = InitBoundary(&boundary, 0);
    if (setjmp(boundary.jump)) {
        jpeg_destroy_decompress(&cinfo);
        return KXJPEG_UNSUPPORTED;
    }
    jpeg_create_decompress(&cinfo);
    jpeg_mem_src(&cinfo, data, (unsigned long)size);
    jpeg_read_header(&cinfo, TRUE);
    /* The tables stay in cinfo while the scan reads them. */
    const int result = DescribeDcFrame(&cinfo, &frame) ? KxDcScan(&frame, target) : KXJPEG_UNSUPPORTED;
    jpeg_destroy_decompress(&cinfo);
    return result;
}

/* ---- Encoding ---------------------------------------------------------------------------- */

/* A destination in the caller's buffer, grown through the caller. */
typedef struct Destination
{
    struct jpeg_destination_mgr pub;
    KxJpegOutput* output;
} Destination;

static void InitDestination(j_compress_ptr cinfo)
{
    Destination* dest = (Destination*)cinfo->dest;
    dest->pub.next_output_byte = dest->output->buffer;
    dest->pub.free_in_buffer = dest->output->buffer ? dest->output->capacity : 0;
}

static boolean EmptyOutput(j_compress_ptr cinfo)
{
    /* libjpeg calls this with the buffer full, whatever free_in_buffer says. */
    Destination* dest = (Destination*)cinfo->dest;
    KxJpegOutput* output = dest->output;
    const size_t used = output->buffer ? output->capacity : 0;
    size_t capacity = 0;
    unsigned char* grown = output->grow(output->user, used * 2 + 65536, used, &capacity);
    if (!grown)
        ERREXIT1(cinfo, JERR_OUT_OF_MEMORY, 0);
    output->buffer = grown;
    output->capacity = capacity;
    dest->pub.next_output_byte = grown + used;
    dest->pub.free_in_buffer = capacity - used;
    return TRUE;
}

static void TermDestination(j_compress_ptr cinfo)
{
    Destination* dest = (Destination*)cinfo->dest;
    dest->output->size = dest->output->capacity - dest->pub.free_in_buffer;
}

int KxJpegMcuHeight(int subsampleChroma) { return subsampleChroma ? 16 : 8; }

int KxJpegEncode(const KxJpegEncoding* encoding, const unsigned char* bits, ptrdiff_t stride, KxJpegOutput* output)
{
    struct jpeg_compress_struct cinfo;
    Boundary boundary;
    Destination dest;
    memset(&cinfo, 0, sizeof cinfo);
    memset(&dest, 0, sizeof dest);
    output->size = 0;
    cinfo.err = InitBoundary(&boundary, 0);
    if (setjmp(boundary.jump)) {
        jpeg_destroy_compress(&cinfo);
        return boundary.result;
    }
    jpeg_create_compress(&cinfo);
    dest.pub.init_destination = InitDestination;
    dest.pub.empty_output_buffer = EmptyOutput;
    dest.pub.term_destination = TermDestination;
    dest.output = output;
    cinfo.dest = &dest.pub;

    cinfo.image_width = (JDIMENSION)encoding->width;
    cinfo.image_height = (JDIMENSION)encoding->height;
    cinfo.input_components = encoding->bytesPerPixel;
    cinfo.in_color_space = encoding->bytesPerPixel == 4 ? JCS_EXT_BGRX : JCS_EXT_BGR;
    jpeg_set_defaults(&cinfo);
    jpeg_set_quality(&cinfo, encoding->quality, TRUE);
    if (!encoding->subsampleChroma)
        cinfo.comp_info[0].h_samp_factor = cinfo.comp_info[0].v_samp_factor = 1;
    cinfo.dct_method = JDCT_ISLOW;
    cinfo.optimize_coding = FALSE;   /* the standard tables, the same for every strip of a picture */
    cinfo.write_JFIF_header = TRUE;
    cinfo.density_unit = 1;
    cinfo.X_density = (UINT16)encoding->xDensity;
    cinfo.Y_density = (UINT16)encoding->yDensity;
    cinfo.restart_in_rows = encoding->restartRows;
    jpeg_start_compress(&cinfo, TRUE);
    while (cinfo.next_scanline < cinfo.image_height) {
        enum { BATCH = 16 };
        JSAMPROW rows[BATCH];
        int n = (int)(cinfo.image_height - cinfo.next_scanline), i;
        if (n > BATCH)
            n = BATCH;
        for (i = 0; i < n; ++i)
            rows[i] = (JSAMPROW)(bits + (ptrdiff_t)(cinfo.next_scanline + i) * stride);
        jpeg_write_scanlines(&cinfo, rows, (JDIMENSION)n);
    }
    jpeg_finish_compress(&cinfo);
    jpeg_destroy_compress(&cinfo);
    return KXJPEG_OK;
}
