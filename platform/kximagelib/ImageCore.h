// Internal machinery of the picture library: the worker threads, the CPU level, the queued point
// operations and their row kernels. Not exported.
#pragma once
#include <windows.h>
#include <string.h>
#include <functional>
#include <vector>

namespace kximage {

// Runs body(begin, end) over consecutive slices of [0, count) on the library's worker threads
// and the calling thread, and returns when every slice is done. The workers are started on first
// use and live as long as the process: starting threads costs far more than a pass over a
// preview picture, under Wine above all. False when a slice threw (out of memory for a scratch
// buffer, say): the exception is caught in the slice, the slices not yet started are skipped,
// and the caller reports its operation as failed.
[[nodiscard]] bool ParallelFor(int count, const std::function<void(int begin, int end)>& body);

// The threads ParallelFor spreads work over, the calling thread included.
int WorkerCount();

enum CpuLevel { CPU_GENERIC, CPU_SSE41, CPU_AVX2 };
CpuLevel GetCpuLevel();

// The widest of a kernel's three builds that this CPU runs.
template <class Kernel>
Kernel PickKernel(Kernel avx2, Kernel sse41, Kernel generic)
{
    return GetCpuLevel() == CPU_AVX2 ? avx2 : GetCpuLevel() == CPU_SSE41 ? sse41 : generic;
}

#define KX_ALWAYS_INLINE inline __attribute__((always_inline))

// One per-pixel colour operation. Channels are in memory order: 0 blue, 1 green, 2 red.
struct PointOp
{
    enum Kind { LUT, MATRIX, HUE, PER_HUE } kind;
    BYTE lut[3][256];       // LUT: out = lut[channel][in]
    int matrix[3][3];       // MATRIX: out[i] = sum matrix[i][j] * in[j], 16.16 fixed point
    double hueTurn;         // HUE: turn in sixths of the circle
    int hue7[7], sat7[7], light7[7];   // PER_HUE tables
};

// Applies op to width pixels of one row in place (bytesPerPixel 3 or 4; alpha is left alone).
void ApplyPointOpRow(const PointOp& op, BYTE* row, int width, int bytesPerPixel);

// Writes to out the row mid sharpened as CDib::ChangeSharp describes, with up and down the rows
// above and below (mid itself at the top and bottom edge); out may not be one of them. work holds
// rowBytes + 2 * SHARPEN_WORK_MARGIN values. amount is -1000..1000.
const int SHARPEN_WORK_MARGIN = 4;
void SharpenRow(const BYTE* up, const BYTE* mid, const BYTE* down, BYTE* out, unsigned short* work, int rowBytes,
                int bytesPerPixel, int amount);

// Rows 0..rows - 1 of a quarter or half turn into dst, width pixels each, where dst pixel (x, y)
// is the source pixel at origin + x * xStep + y * yStep (byte offsets). Only those pixels are read
// and written, never the padding of a row.
void TurnStrip(const BYTE* origin, ptrdiff_t xStep, ptrdiff_t yStep, BYTE* dst, int dstride, int rows, int width,
               int bytesPerPixel);

// The taps of one resampling pass in fixed point: output sample i is the sum over k < count[i] of
// weights[i * stride + k] * source sample first[i] + k, rounded, shifted down by
// RESAMPLE_WEIGHT_BITS and clamped. stride is even and the weights from count[i] to stride are
// zero, so kernels may take the taps two at a time; pairs[i * stride / 2 + k] holds weights 2k and
// 2k + 1 of sample i as the low and high half of one value.
const int RESAMPLE_WEIGHT_BITS = 14;
struct ResampleTaps
{
    std::vector<int> first, count;
    std::vector<short> weights;
    std::vector<int> pairs;
    int stride = 0;
};

// One row of the horizontal pass: dstWidth pixels from src, srcWidth pixels wide (bytesPerPixel 3
// or 4; alpha is filtered like the colours). Reads no byte outside the srcWidth pixels.
void ResampleRowH(const BYTE* src, int srcWidth, BYTE* dst, int dstWidth, int bytesPerPixel, const ResampleTaps& taps);
// One row of the vertical pass: rowBytes bytes, the sum over k < count of weights[k] times the row
// at top + k * stride. weights has an even number of values, zero beyond count.
void ResampleRowV(const BYTE* top, ptrdiff_t stride, const short* weights, int count, BYTE* dst, int rowBytes);
// sums[i] = the sum over r < rows of top[r * stride + i], for i < n. 16-bit sums hold the totals
// of up to MAX_ROWS_16 rows.
const int MAX_ROWS_16 = 257;   // 257 x 255 < 2^16
void SumRows(const BYTE* top, ptrdiff_t stride, int rows, unsigned* sums, int n);
void SumRows(const BYTE* top, ptrdiff_t stride, int rows, unsigned short* sums, int n);
// The rounded means of blocks of pixels: for x < blocks, byte c of dst pixel x is
// (t + n / 2) / n, t the total of byte c over sums' pixels x * fx .. x * fx + fx - 1, each a sum
// of n / fx rows. sums holds one value a byte and one to spare after the last block's; dst has a
// byte to spare after the last pixel.
void MeanRow(const unsigned* sums, int blocks, int fx, unsigned n, BYTE* dst, int bytesPerPixel);
void MeanRow(const unsigned short* sums, int blocks, int fx, unsigned n, BYTE* dst, int bytesPerPixel);

// Pixel buffers of pictures, 64-byte aligned, from the library's kept memory (BufferPool.cpp):
// freed buffers are reused, as a fresh page faults when first written. Null when out of memory.
BYTE* TakePixels(size_t size);
void GivePixels(BYTE* bits, size_t size);

// Working memory from the same kept memory, returned when the buffer goes: file data, encoded
// strips. Its bytes are not initialised; Data() is null when out of memory.
class CWorkBuffer
{
public:
    explicit CWorkBuffer(size_t size);
    ~CWorkBuffer();
    CWorkBuffer(const CWorkBuffer&) = delete;
    CWorkBuffer& operator=(const CWorkBuffer&) = delete;
    BYTE* Data() const { return m_bits; }
    size_t Capacity() const { return m_capacity; }
    // Room for at least size bytes, keeping the first keep bytes; false when out of memory (the
    // buffer is then unchanged).
    bool Grow(size_t size, size_t keep);
private:
    BYTE* m_bits = nullptr;
    size_t m_capacity = 0;
};

// True when the file begins as a JPEG stream does, whatever its name.
bool IsJpegFile(const char* path);

// Luma weights in 16.16 fixed point (0.299 R, 0.587 G, 0.114 B), summing to exactly 65536.
const int LUMA_R = 19595, LUMA_G = 38470, LUMA_B = 7471;

inline BYTE ClampByte(int v) { return (BYTE)(v < 0 ? 0 : v > 255 ? 255 : v); }
inline BYTE ClampRound(double v) { return v <= 0 ? 0 : v >= 255 ? 255 : (BYTE)(v + 0.5); }

} // namespace kximage

// The colour operations queued on a picture, run in one pass by CDib::Flush.
struct CPointOps
{
    std::vector<kximage::PointOp> ops;
};
