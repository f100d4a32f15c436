#include "Pointwise.h"

#include <immintrin.h>

#include <algorithm>
#include <cstddef>
#include <vector>

namespace {

// Each kernel keeps a block of output channels times a block of pixels in registers while it goes
// through the input channels: two vectors of pixels for each of 12 channels fill 24 of AVX-512's
// 32 registers, for each of 6 channels 12 of AVX2's 16, leaving room for the pixels loaded and
// the weight broadcast.
constexpr int rows512 = 12;
constexpr int rowsAvx2 = 6;
constexpr int vectorsPerBlock = 2;

template <int Rows>
__attribute__((target("avx512f"))) void block512(const float *in, std::ptrdiff_t inStride,
                                                 const float *weights, const float *bias, int inputs,
                                                 float *out, std::ptrdiff_t outStride) {
    __m512 sum[Rows][vectorsPerBlock];
    for (int r = 0; r < Rows; ++r) {
        for (int v = 0; v < vectorsPerBlock; ++v)
            sum[r][v] = _mm512_set1_ps(bias[r]);
    }
    for (int k = 0; k < inputs; ++k) {
        __m512 pixels[vectorsPerBlock];
        for (int v = 0; v < vectorsPerBlock; ++v)
            pixels[v] = _mm512_loadu_ps(in + k * inStride + v * 16);
        for (int r = 0; r < Rows; ++r) {
            const __m512 weight = _mm512_set1_ps(weights[r * inputs + k]);
            for (int v = 0; v < vectorsPerBlock; ++v)
                sum[r][v] = _mm512_fmadd_ps(weight, pixels[v], sum[r][v]);
        }
    }
    for (int r = 0; r < Rows; ++r) {
        for (int v = 0; v < vectorsPerBlock; ++v)
            _mm512_storeu_ps(out + r * outStride + v * 16, sum[r][v]);
    }
}

template <int Rows>
__attribute__((target("avx2,fma"))) void blockAvx2(const float *in, std::ptrdiff_t inStride,
                                                   const float *weights, const float *bias, int inputs,
                                                   float *out, std::ptrdiff_t outStride) {
    __m256 sum[Rows][vectorsPerBlock];
    for (int r = 0; r < Rows; ++r) {
        for (int v = 0; v < vectorsPerBlock; ++v)
            sum[r][v] = _mm256_set1_ps(bias[r]);
    }
    for (int k = 0; k < inputs; ++k) {
        __m256 pixels[vectorsPerBlock];
        for (int v = 0; v < vectorsPerBlock; ++v)
            pixels[v] = _mm256_loadu_ps(in + k * inStride + v * 8);
        for (int r = 0; r < Rows; ++r) {
            const __m256 weight = _mm256_set1_ps(weights[r * inputs + k]);
            for (int v = 0; v < vectorsPerBlock; ++v)
                sum[r][v] = _mm256_fmadd_ps(weight, pixels[v], sum[r][v]);
        }
    }
    for (int r = 0; r < Rows; ++r) {
        for (int v = 0; v < vectorsPerBlock; ++v)
            _mm256_storeu_ps(out + r * outStride + v * 8, sum[r][v]);
    }
}

// One block of pixels, every output channel: full blocks of rows, then the rows left one by one.
template <int Rows, auto Block, auto Single>
void pixelBlock(const float *in, std::ptrdiff_t inStride, const float *weights, const float *bias,
                int outputs, int inputs, float *out, std::ptrdiff_t outStride) {
    int row = 0;
    for (; row + Rows <= outputs; row += Rows)
        Block(in, inStride, weights + std::ptrdiff_t(row) * inputs, bias + row, inputs, out + row * outStride,
              outStride);
    for (; row < outputs; ++row)
        Single(in, inStride, weights + std::ptrdiff_t(row) * inputs, bias + row, inputs,
               out + row * outStride, outStride);
}

} // namespace

Pointwise::Kernels Pointwise::widest() {
    __builtin_cpu_init();
    if (__builtin_cpu_supports("avx512f"))
        return Kernels::Avx512;
    if (__builtin_cpu_supports("avx2") && __builtin_cpu_supports("fma"))
        return Kernels::Avx2;
    return Kernels::Plain;
}

Pointwise::Pointwise(const float *weights, const float *bias, int outputs, int inputs, Kernels kernels)
    : m_kernels(kernels)
    , m_outputs(std::max(0, outputs))
    , m_inputs(std::max(0, inputs))
    , m_weights(weights)
    , m_bias(bias) {}

int Pointwise::rowsPerBlock() const {
    switch (m_kernels) {
    case Kernels::Avx512:
        return rows512;
    case Kernels::Avx2:
        return rowsAvx2;
    case Kernels::Plain:
        break;
    }
    return 1;
}

int Pointwise::pixelsPerBlock() const {
    return m_kernels == Kernels::Avx512 ? 16 * vectorsPerBlock : 8 * vectorsPerBlock;
}

void Pointwise::run(const float *in, int pixels, float *out) const {
    if (pixels <= 0 || m_outputs == 0)
        return;
    if (m_kernels == Kernels::Plain) {
        for (int row = 0; row < m_outputs; ++row) {
            float *line = out + std::ptrdiff_t(row) * pixels;
            std::fill_n(line, pixels, m_bias[row]);
            const float *weights = m_weights + std::ptrdiff_t(row) * m_inputs;
            for (int k = 0; k < m_inputs; ++k) {
                const float weight = weights[k];
                const float *from = in + std::ptrdiff_t(k) * pixels;
                for (int p = 0; p < pixels; ++p)
                    line[p] += weight * from[p];
            }
        }
        return;
    }
    const auto runBlock = [this](const float *from, std::ptrdiff_t inStride, float *to,
                                 std::ptrdiff_t outStride) {
        if (m_kernels == Kernels::Avx512)
            pixelBlock<rows512, block512<rows512>, block512<1>>(from, inStride, m_weights, m_bias, m_outputs,
                                                                m_inputs, to, outStride);
        else
            pixelBlock<rowsAvx2, blockAvx2<rowsAvx2>, blockAvx2<1>>(from, inStride, m_weights, m_bias,
                                                                    m_outputs, m_inputs, to, outStride);
    };
    // Each block of pixels is copied out first, its input channels one after another: the
    // channels' rows lie a plane apart, and at plane sizes like these (a multiple of a large
    // power of two) they would fall into the same few cache sets and push one another out.
    const int width = pixelsPerBlock();
    std::vector<float> block(std::size_t(m_inputs) * std::size_t(width), 0.0f);
    std::vector<float> tail;
    for (int first = 0; first < pixels; first += width) {
        const int count = std::min(width, pixels - first);
        for (int k = 0; k < m_inputs; ++k)
            std::copy_n(in + std::ptrdiff_t(k) * pixels + first, count,
                        block.data() + std::ptrdiff_t(k) * width);
        if (count == width) {
            runBlock(block.data(), width, out + first, pixels);
            continue;
        }
        // The last pixels, fewer than a block, beside zeros.
        tail.resize(std::size_t(m_outputs) * std::size_t(width));
        runBlock(block.data(), width, tail.data(), width);
        for (int row = 0; row < m_outputs; ++row)
            std::copy_n(tail.data() + std::ptrdiff_t(row) * width, count,
                        out + std::ptrdiff_t(row) * pixels + first);
    }
}
