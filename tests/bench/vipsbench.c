/* libvips as the benchmark's peer: the same work as kxbench, in one process, with the pictures in
 * memory, so the figures are libvips' own and not those of program starts and intermediate files.
 * Its file input and output are timed as works of their own. A native Linux program, built and
 * run by tools/bench.sh; prints one "key milliseconds" line a work, the best of its runs.
 *   vipsbench <work folder> [work ...]     (no work names: every work)
 * The work folder holds big.jpg and big.tif (kxbench writes them), camera.jpg and, for the
 * thumbnail works, the folders thumbs-ours and thumbs-camera of JPEGs (tools/bench.sh makes them).
 *
 * To add a work: write a function of the Work type below and put it in the table at the end. */
#include <vips/vips.h>
#include <dirent.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <time.h>

typedef struct Bench
{
    const char* folder;
    VipsImage* photo;   /* big.tif decoded into memory: the input of the in-memory works */
} Bench;

/* One run of a work; returns its milliseconds, or a negative value when it failed. */
typedef double (*Work)(Bench* bench);

static double Now(void)
{
    struct timespec t;
    clock_gettime(CLOCK_MONOTONIC, &t);
    return t.tv_sec * 1e3 + t.tv_nsec / 1e6;
}

static const char* PathOf(const Bench* bench, const char* name)
{
    static char path[4096];
    snprintf(path, sizeof path, "%s/%s", bench->folder, name);
    return path;
}

/* Makes an image's pixels exist in memory, which is when libvips does the work it was asked for. */
static int Compute(VipsImage* image)
{
    VipsImage* memory = image ? vips_image_copy_memory(image) : NULL;
    if (image)
        g_object_unref(image);
    if (!memory)
        return -1;
    g_object_unref(memory);
    return 0;
}

static VipsImage* Load(const char* path)
{
    VipsImage* image = vips_image_new_from_file(path, "access", VIPS_ACCESS_SEQUENTIAL, NULL);
    if (!image)
        return NULL;
    VipsImage* memory = vips_image_copy_memory(image);
    g_object_unref(image);
    return memory;
}

/* ---- works ------------------------------------------------------------------------------- */

static double LoadFile(Bench* bench, const char* name)
{
    const double start = Now();
    VipsImage* image = Load(PathOf(bench, name));
    const double elapsed = Now() - start;
    if (!image)
        return -1;
    g_object_unref(image);
    return elapsed;
}

static double LoadJpeg(Bench* bench) { return LoadFile(bench, "big.jpg"); }
static double LoadJpegCamera(Bench* bench) { return LoadFile(bench, "camera.jpg"); }
static double LoadTiff(Bench* bench) { return LoadFile(bench, "big.tif"); }

static double SaveJpeg(Bench* bench)
{
    const double start = Now();
    /* Quality 90; libvips keeps full-size chroma from 90 up, as kxbench's save does. */
    if (vips_jpegsave(bench->photo, PathOf(bench, "vips-out.jpg"), "Q", 90, NULL))
        return -1;
    return Now() - start;
}

static double SaveTiff(Bench* bench)
{
    const double start = Now();
    if (vips_tiffsave(bench->photo, PathOf(bench, "vips-out.tif"), NULL))
        return -1;
    return Now() - start;
}

/* The adjustment chain of kxbench in libvips' terms: colour matrix, brightness and contrast,
 * saturation in LCh, gamma, output levels, sharpening. */
static double Chain(Bench* bench)
{
    const double start = Now();
    VipsImage* matrix = vips_image_new_matrixv(3, 3, 1.078, 0.0, 0.0, -0.039, 1.0, 0.0, -0.039, 0.0, 1.0);
    VipsImage* t[8] = {NULL};
    const double chroma[3] = {1, 1.3, 1}, zero[3] = {0, 0, 0};
    int failed = !matrix || vips_recomb(bench->photo, &t[0], matrix, NULL) ||
                 vips_linear1(t[0], &t[1], 1.1, -2.8, NULL) ||
                 vips_colourspace(t[1], &t[2], VIPS_INTERPRETATION_LCH, NULL) ||
                 vips_linear(t[2], &t[3], chroma, zero, 3, NULL) ||
                 vips_colourspace(t[3], &t[4], VIPS_INTERPRETATION_sRGB, NULL) ||
                 vips_gamma(t[4], &t[5], "exponent", 0.8333, NULL) ||
                 vips_linear1(t[5], &t[6], 0.9, 10, "uchar", TRUE, NULL) ||
                 vips_sharpen(t[6], &t[7], NULL);
    if (!failed) {
        failed = Compute(t[7]);
        t[7] = NULL;
    }
    const double elapsed = Now() - start;
    for (int i = 0; i < 8; ++i)
        if (t[i])
            g_object_unref(t[i]);
    if (matrix)
        g_object_unref(matrix);
    return failed ? -1 : elapsed;
}

static double Reduce(Bench* bench)
{
    const double start = Now();
    VipsImage* out = NULL;
    if (vips_thumbnail_image(bench->photo, &out, 800, "height", 600, "size", VIPS_SIZE_FORCE, NULL) || Compute(out))
        return -1;
    return Now() - start;
}

static double Turn(Bench* bench)
{
    const double start = Now();
    VipsImage* out = NULL;
    if (vips_rot(bench->photo, &out, VIPS_ANGLE_D90, NULL) || Compute(out))
        return -1;
    return Now() - start;
}

/* Thumbnails of 96 x 96 of every JPEG of a folder, shrunk on load; milliseconds a picture. */
static double Thumbnails(Bench* bench, const char* name)
{
    char folder[4096];
    snprintf(folder, sizeof folder, "%s", PathOf(bench, name));
    DIR* dir = opendir(folder);
    if (!dir)
        return -1;
    int count = 0, failed = 0;
    const double start = Now();
    for (struct dirent* entry; (entry = readdir(dir)) != NULL;) {
        if (!strstr(entry->d_name, ".jpg"))
            continue;
        char path[8192];
        snprintf(path, sizeof path, "%s/%s", folder, entry->d_name);
        VipsImage* out = NULL;
        failed |= vips_thumbnail(path, &out, 96, "height", 96, NULL) || Compute(out);
        ++count;
    }
    const double elapsed = Now() - start;
    closedir(dir);
    return failed || count == 0 ? -1 : elapsed / count;
}

static double ThumbnailsOurs(Bench* bench) { return Thumbnails(bench, "thumbs-ours"); }
static double ThumbnailsCamera(Bench* bench) { return Thumbnails(bench, "thumbs-camera"); }

static const struct
{
    const char* name;
    Work work;
    int runs;
} works[] = {
    {"load_jpeg", LoadJpeg, 3},
    {"load_jpeg_camera", LoadJpegCamera, 3},
    {"save_jpeg", SaveJpeg, 3},
    {"load_tiff", LoadTiff, 3},
    {"save_tiff", SaveTiff, 3},
    {"chain_full", Chain, 3},
    {"reduce", Reduce, 3},
    {"quarter_turn", Turn, 5},
    {"thumbs_ours", ThumbnailsOurs, 1},
    {"thumbs_camera", ThumbnailsCamera, 1},
};

int main(int argc, char** argv)
{
    if (argc < 2) {
        fprintf(stderr, "usage: vipsbench <work folder> [work ...]\n");
        return 2;
    }
    if (VIPS_INIT(argv[0]))
        vips_error_exit(NULL);
    /* Every run does its work anew instead of returning an earlier run's result. */
    vips_cache_set_max(0);
    Bench bench = {argv[1], NULL};
    bench.photo = Load(PathOf(&bench, "big.tif"));
    if (!bench.photo) {
        fprintf(stderr, "vipsbench: cannot read %s: %s\n", PathOf(&bench, "big.tif"), vips_error_buffer());
        return 1;
    }
    int status = 0;
    for (size_t i = 0; i < sizeof works / sizeof works[0]; ++i) {
        int wanted = argc == 2;
        for (int a = 2; a < argc; ++a)
            wanted |= strcmp(argv[a], works[i].name) == 0;
        if (!wanted)
            continue;
        double best = -1;
        for (int run = 0; run < works[i].runs; ++run) {
            const double ms = works[i].work(&bench);
            if (ms < 0) {
                fprintf(stderr, "vipsbench: %s failed: %s\n", works[i].name, vips_error_buffer());
                vips_error_clear();
                status = 1;
                break;
            }
            if (best < 0 || ms < best)
                best = ms;
        }
        if (best >= 0)
            printf("%s %.1f\n", works[i].name, best);
    }
    g_object_unref(bench.photo);
    vips_shutdown();
    return status;
}
