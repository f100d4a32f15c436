#pragma once

// A 1x1 convolution (every output channel a weighted sum of the input channels at the same pixel,
// plus a bias) on planes of float pixels, run with the widest vector instructions the processor
// has. The recogniser spends most of its time in these; OpenCV 4.6 runs them at well under half
// the processor's arithmetic rate.
class Pointwise {
public:
    // The instruction sets the convolution can run with, narrowest first.
    enum class Kernels { Plain, Avx2, Avx512 };
    // The widest of them this processor runs.
    static Kernels widest();

    // `weights` [outputs][inputs] and `bias` [outputs], which must outlive the convolution.
    Pointwise(const float *weights, const float *bias, int outputs, int inputs, Kernels kernels = widest());

    int outputs() const { return m_outputs; }
    int inputs() const { return m_inputs; }

    // `in` [inputs][pixels] to `out` [outputs][pixels]; they must not overlap.
    void run(const float *in, int pixels, float *out) const;

private:
    // Output channels worked out together, and pixels (in vectors of the kernels' width).
    int rowsPerBlock() const;
    int pixelsPerBlock() const;

    Kernels m_kernels;
    int m_outputs;
    int m_inputs;
    const float *m_weights;
    const float *m_bias;
};
