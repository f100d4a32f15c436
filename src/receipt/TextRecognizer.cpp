#include "TextRecognizer.h"

#include "Pointwise.h"

#include <QFile>

#include <opencv2/core.hpp>
#include <opencv2/core/hal/intrin.hpp>
#include <opencv2/dnn.hpp>
#include <opencv2/dnn/layer.details.hpp>
#include <opencv2/dnn/shape_utils.hpp>

#include <immintrin.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <mutex>
#include <optional>
#include <thread>
#include <utility>
#include <vector>

namespace {

// The one input and one output of a layer that takes and gives single, continuous float blobs.
// (The matrices share the blobs' data.)
std::pair<cv::Mat, cv::Mat> singleBlobs(cv::InputArrayOfArrays inputArrays,
                                        cv::OutputArrayOfArrays outputArrays) {
    std::vector<cv::Mat> inputs;
    std::vector<cv::Mat> outputs;
    inputArrays.getMatVector(inputs);
    outputArrays.getMatVector(outputs);
    CV_Assert(inputs.size() == 1 && outputs.size() == 1 && inputs[0].type() == CV_32F &&
              inputs[0].isContinuous() && outputs[0].isContinuous());
    return {inputs[0], outputs[0]};
}

// Whether the processor has AVX-512, for the layers below that have a kernel for it.
const bool g_avx512 = Pointwise::widest() == Pointwise::Kernels::Avx512;

// alpha * hardswish(x) + beta over `count` values (see ScaledHardSwishLayer).
void scaledHardSwish(const float *in, float *out, size_t count, float factor, float offset) {
    size_t i = 0;
#if CV_SIMD
    const cv::v_float32 factors = cv::vx_setall_f32(factor);
    const cv::v_float32 offsets = cv::vx_setall_f32(offset);
    const cv::v_float32 three = cv::vx_setall_f32(3.0f);
    const cv::v_float32 six = cv::vx_setall_f32(6.0f);
    const cv::v_float32 zero = cv::vx_setzero_f32();
    for (; i + cv::v_float32::nlanes <= count; i += cv::v_float32::nlanes) {
        const cv::v_float32 x = cv::vx_load(in + i);
        const cv::v_float32 gate = cv::v_min(cv::v_max(x + three, zero), six);
        cv::v_store(out + i, cv::v_fma(x * gate, factors, offsets));
    }
#endif
    for (; i < count; ++i)
        out[i] = in[i] * std::clamp(in[i] + 3.0f, 0.0f, 6.0f) * factor + offset;
}

__attribute__((target("avx512f"))) void scaledHardSwish512(const float *in, float *out, size_t count,
                                                           float factor, float offset) {
    const __m512 factors = _mm512_set1_ps(factor);
    const __m512 offsets = _mm512_set1_ps(offset);
    const __m512 three = _mm512_set1_ps(3.0f);
    const __m512 six = _mm512_set1_ps(6.0f);
    const __m512 zero = _mm512_setzero_ps();
    for (size_t i = 0; i < count; i += 16) {
        const __mmask16 mask = count - i >= 16 ? __mmask16(0xffff) : __mmask16((1u << (count - i)) - 1);
        const __m512 x = _mm512_maskz_loadu_ps(mask, in + i);
        // (The masked forms: GCC 12 warns of an uninitialised value inside the unmasked ones.)
        const __m512 gate =
            _mm512_maskz_min_ps(mask, _mm512_maskz_max_ps(mask, _mm512_add_ps(x, three), zero), six);
        _mm512_mask_storeu_ps(out + i, mask, _mm512_fmadd_ps(_mm512_mul_ps(x, gate), factors, offsets));
    }
}

// alpha * hardswish(x) + beta, with hardswish(x) = x * clamp(x + 3, 0, 6) / 6: the graph's
// activation and the learnt affine step after it (see convert_models.py) in one pass. OpenCV's own
// HardSwish layer, which it fuses into the convolution before it, takes several times as long as
// the convolution.
class ScaledHardSwishLayer : public cv::dnn::Layer {
public:
    explicit ScaledHardSwishLayer(const cv::dnn::LayerParams &params)
        : Layer(params)
        , m_factor(params.get<float>("alpha", 1.0f) / 6.0f)
        , m_offset(params.get<float>("beta", 0.0f)) {}

    static cv::Ptr<cv::dnn::Layer> create(cv::dnn::LayerParams &params) {
        return cv::makePtr<ScaledHardSwishLayer>(params);
    }

    // One output of the input's shape, which may be written in place.
    bool getMemoryShapes(const std::vector<cv::dnn::MatShape> &inputs, const int,
                         std::vector<cv::dnn::MatShape> &outputs,
                         std::vector<cv::dnn::MatShape> &) const override {
        outputs.assign(1, inputs.at(0));
        return true;
    }

    void forward(cv::InputArrayOfArrays inputArrays, cv::OutputArrayOfArrays outputArrays,
                 cv::OutputArrayOfArrays) override {
        auto [input, output] = singleBlobs(inputArrays, outputArrays);
        CV_Assert(output.total() == input.total());
        const float *in = input.ptr<float>();
        float *out = output.ptr<float>();
        const size_t count = input.total();
        if (g_avx512)
            scaledHardSwish512(in, out, count, m_factor, m_offset);
        else
            scaledHardSwish(in, out, count, m_factor, m_offset);
    }

private:
    float m_factor;
    float m_offset;
};

// One channel of a 5x5 depthwise convolution: `padded` is the channel's plane with two columns and
// rows of zeros around it, `width` wide; the output has `rows` rows of `columns`. Built twice, for
// AVX2 and for any x86-64, and chosen when the program loads.
__attribute__((target_clones("avx2", "default"))) void convolve5x5(const float *padded, int width,
                                                                   const float *kernel, float bias,
                                                                   float *out, int rows, int columns,
                                                                   int strideY, int strideX) {
    for (int y = 0; y < rows; ++y) {
        float *row = out + qsizetype(y) * columns;
        std::fill_n(row, columns, bias);
        for (int ky = 0; ky < 5; ++ky) {
            const float *source = padded + qsizetype(y * strideY + ky) * width;
            for (int kx = 0; kx < 5; ++kx) {
                const float weight = kernel[ky * 5 + kx];
                const float *from = source + kx;
                if (strideX == 1) {
                    for (int x = 0; x < columns; ++x)
                        row[x] += weight * from[x];
                } else {
                    for (int x = 0; x < columns; ++x)
                        row[x] += weight * from[x * strideX];
                }
            }
        }
    }
}

// convolve5x5() with AVX-512 where the stride along rows is 1: the 25 weights stay in registers and
// each 16 outputs are summed in one.
__attribute__((target("avx512f"))) void convolve5x5Avx512(const float *padded, int width, const float *kernel,
                                                          float bias, float *out, int rows, int columns,
                                                          int strideY) {
    __m512 weights[25];
    for (int i = 0; i < 25; ++i)
        weights[i] = _mm512_set1_ps(kernel[i]);
    const __m512 biases = _mm512_set1_ps(bias);
    for (int y = 0; y < rows; ++y) {
        const float *source = padded + qsizetype(y * strideY) * width;
        float *row = out + qsizetype(y) * columns;
        for (int x = 0; x < columns; x += 16) {
            const __mmask16 mask =
                columns - x >= 16 ? __mmask16(0xffff) : __mmask16((1u << (columns - x)) - 1);
            __m512 sum = biases;
            for (int ky = 0; ky < 5; ++ky) {
                const float *from = source + qsizetype(ky) * width + x;
                for (int kx = 0; kx < 5; ++kx)
                    sum = _mm512_fmadd_ps(weights[ky * 5 + kx], _mm512_maskz_loadu_ps(mask, from + kx), sum);
            }
            _mm512_mask_storeu_ps(row + x, mask, sum);
        }
    }
}

// A 5x5 depthwise convolution with two pixels of zero padding on every side (see
// convert_models.py): OpenCV 4.6 runs these several times slower than 3x3 ones, and as four 3x3
// ones the padding copies and sums cost as much again.
class DepthwiseConv5x5Layer : public cv::dnn::Layer {
public:
    explicit DepthwiseConv5x5Layer(const cv::dnn::LayerParams &params)
        : Layer(params)
        , m_strideY(params.get<int>("stride_h", 1))
        , m_strideX(params.get<int>("stride_w", 1)) {
        // The weights [channels, 1, 5, 5] and the bias [channels].
        CV_Assert(blobs.size() == 2 && blobs[0].type() == CV_32F && blobs[1].type() == CV_32F &&
                  blobs[0].isContinuous() && blobs[1].isContinuous() &&
                  blobs[0].total() == blobs[1].total() * 25 && m_strideY >= 1 && m_strideX >= 1);
    }

    static cv::Ptr<cv::dnn::Layer> create(cv::dnn::LayerParams &params) {
        return cv::makePtr<DepthwiseConv5x5Layer>(params);
    }

    bool getMemoryShapes(const std::vector<cv::dnn::MatShape> &inputs, const int,
                         std::vector<cv::dnn::MatShape> &outputs,
                         std::vector<cv::dnn::MatShape> &) const override {
        const cv::dnn::MatShape &in = inputs.at(0);
        CV_Assert(in.size() == 4 && in[1] == int(blobs[1].total()));
        outputs.assign(
            1, cv::dnn::MatShape{in[0], in[1], (in[2] - 1) / m_strideY + 1, (in[3] - 1) / m_strideX + 1});
        return false;
    }

    void forward(cv::InputArrayOfArrays inputArrays, cv::OutputArrayOfArrays outputArrays,
                 cv::OutputArrayOfArrays) override {
        auto [in, out] = singleBlobs(inputArrays, outputArrays);
        CV_Assert(in.dims == 4 && out.dims == 4);
        const int planes = in.size[0] * in.size[1];
        const int height = in.size[2];
        const int width = in.size[3];
        const int paddedWidth = width + 4;
        std::vector<float> padded(size_t(height + 4) * size_t(paddedWidth), 0.0f);
        const int channels = int(blobs[1].total());
        for (int p = 0; p < planes; ++p) {
            const int channel = p % channels;
            const float *plane = in.ptr<float>() + qsizetype(p) * height * width;
            for (int y = 0; y < height; ++y)
                std::copy_n(plane + qsizetype(y) * width, width,
                            padded.data() + qsizetype(y + 2) * paddedWidth + 2);
            const float *kernel = blobs[0].ptr<float>() + qsizetype(channel) * 25;
            const float bias = blobs[1].ptr<float>()[channel];
            float *to = out.ptr<float>() + qsizetype(p) * out.size[2] * out.size[3];
            if (g_avx512 && m_strideX == 1)
                convolve5x5Avx512(padded.data(), paddedWidth, kernel, bias, to, out.size[2], out.size[3],
                                  m_strideY);
            else
                convolve5x5(padded.data(), paddedWidth, kernel, bias, to, out.size[2], out.size[3], m_strideY,
                            m_strideX);
        }
    }

private:
    int m_strideY;
    int m_strideX;
};

// A 1x1 convolution without padding or stride (see convert_models.py), run by Pointwise: these
// convolutions take most of the graph's time, and OpenCV 4.6 runs them at well under half the
// rate the processor's vector instructions allow.
class PointwiseLayer : public cv::dnn::Layer {
public:
    explicit PointwiseLayer(const cv::dnn::LayerParams &params)
        : Layer(params)
        , m_convolution(checkedWeights(blobs), blobs[1].ptr<float>(), blobs[0].size[0], blobs[0].size[1]) {}

    static cv::Ptr<cv::dnn::Layer> create(cv::dnn::LayerParams &params) {
        return cv::makePtr<PointwiseLayer>(params);
    }

    bool getMemoryShapes(const std::vector<cv::dnn::MatShape> &inputs, const int,
                         std::vector<cv::dnn::MatShape> &outputs,
                         std::vector<cv::dnn::MatShape> &) const override {
        const cv::dnn::MatShape &in = inputs.at(0);
        CV_Assert(in.size() == 4 && in[1] == m_convolution.inputs());
        outputs.assign(1, cv::dnn::MatShape{in[0], m_convolution.outputs(), in[2], in[3]});
        return false;
    }

    void forward(cv::InputArrayOfArrays inputArrays, cv::OutputArrayOfArrays outputArrays,
                 cv::OutputArrayOfArrays) override {
        auto [in, out] = singleBlobs(inputArrays, outputArrays);
        CV_Assert(in.dims == 4 && out.dims == 4 && in.size[0] == out.size[0]);
        const int pixels = in.size[2] * in.size[3];
        for (int n = 0; n < in.size[0]; ++n)
            m_convolution.run(in.ptr<float>(n), pixels, out.ptr<float>(n));
    }

private:
    // The weights [outputs, inputs, 1, 1] and the bias [outputs], which the layer's blobs keep.
    static const float *checkedWeights(const std::vector<cv::Mat> &blobs) {
        CV_Assert(blobs.size() == 2 && blobs[0].type() == CV_32F && blobs[1].type() == CV_32F &&
                  blobs[0].isContinuous() && blobs[1].isContinuous() && blobs[0].dims == 4 &&
                  blobs[0].size[2] == 1 && blobs[0].size[3] == 1 &&
                  int(blobs[1].total()) == blobs[0].size[0]);
        return blobs[0].ptr<float>();
    }

    Pointwise m_convolution;
};

// Whether the custom layers are in OpenCV's layer factory. The factory keeps pointers into this
// code, so they are taken out again before the code is unloaded (TextRecognizer::unregisterLayers).
std::mutex g_layersMutex;
bool g_layersRegistered = false;

} // namespace

struct TextRecognizer::Model {
    cv::dnn::Net net;    // inputWidth wide
    cv::dnn::Net narrow; // narrowWidth wide
};

TextRecognizer::TextRecognizer() = default;
TextRecognizer::~TextRecognizer() = default;

bool TextRecognizer::load(const QString &folder) {
    m_model.reset();
    QFile keys(folder + QStringLiteral("/dictionary.txt"));
    if (!keys.open(QIODevice::ReadOnly | QIODevice::Text))
        return false;
    QStringList dictionary;
    for (const QByteArray &line : keys.readAll().split('\n')) {
        if (!line.isEmpty())
            dictionary << QString::fromUtf8(line);
    }
    const QString graph = folder + QStringLiteral("/recognizer-%1.onnx").arg(inputWidth);
    const QString narrowGraph = folder + QStringLiteral("/recognizer-%1.onnx").arg(narrowWidth);
    if (dictionary.isEmpty() || !QFile::exists(graph) || !QFile::exists(narrowGraph))
        return false;
    const std::string path = QFile::encodeName(graph).toStdString();
    const std::string narrowPath = QFile::encodeName(narrowGraph).toStdString();
    const auto readGraph = [](const std::string &from, cv::dnn::Net &net) {
        net = cv::dnn::readNetFromONNX(from);
        if (net.empty())
            return false;
        net.setPreferableBackend(cv::dnn::DNN_BACKEND_OPENCV);
        net.setPreferableTarget(cv::dnn::DNN_TARGET_CPU);
        return true;
    };
    const auto loadGraph = [&]() -> std::unique_ptr<Model> {
        auto model = std::make_unique<Model>();
        try {
            if (!readGraph(path, model->net) || !readGraph(narrowPath, model->narrow))
                return nullptr;
        } catch (const cv::Exception &) {
            return nullptr;
        }
        return model;
    };
    // OpenCV's own threads gain nothing on these narrow strips (measured); two copies of the
    // graph reading different strips at once halve the time on two cores. The second copy loads
    // beside the first.
    cv::setNumThreads(1);
    {
        std::lock_guard lock(g_layersMutex);
        if (!g_layersRegistered) {
            cv::dnn::LayerFactory::registerLayer("ScaledHardSwish", ScaledHardSwishLayer::create);
            cv::dnn::LayerFactory::registerLayer("DepthwiseConv5x5", DepthwiseConv5x5Layer::create);
            cv::dnn::LayerFactory::registerLayer("Pointwise", PointwiseLayer::create);
            g_layersRegistered = true;
        }
    }
    std::unique_ptr<Model> second;
    std::thread secondLoader;
    if (std::thread::hardware_concurrency() >= 2)
        secondLoader = std::thread([&second, &loadGraph] { second = loadGraph(); });
    std::unique_ptr<Model> model = loadGraph();
    if (secondLoader.joinable())
        secondLoader.join();
    if (!model)
        return false;
    m_dictionary = dictionary;
    m_signs = signClasses(dictionary);
    m_model = std::move(model);
    m_second = std::move(second);
    return true;
}

void TextRecognizer::unregisterLayers() {
    std::lock_guard lock(g_layersMutex);
    if (!g_layersRegistered)
        return;
    cv::dnn::LayerFactory::unregisterLayer("ScaledHardSwish");
    cv::dnn::LayerFactory::unregisterLayer("DepthwiseConv5x5");
    cv::dnn::LayerFactory::unregisterLayer("Pointwise");
    g_layersRegistered = false;
}

QList<TextRecognizer::Glyph> TextRecognizer::read(const QImage &strip) {
    return m_model ? read(*m_model, strip) : QList<Glyph>();
}

QList<QList<TextRecognizer::Glyph>> TextRecognizer::readAll(const QList<QImage> &strips,
                                                            const StripRead &onRead) {
    QList<QList<Glyph>> glyphs(strips.size());
    if (!m_model)
        return glyphs;
    const auto readOne = [&](Model &model, qsizetype i) {
        glyphs[i] = read(model, strips[i]);
        if (onRead)
            onRead(i, std::as_const(glyphs)[i]);
    };
    if (!m_second || strips.size() < 2) {
        for (qsizetype i = 0; i < strips.size(); ++i)
            readOne(*m_model, i);
        return glyphs;
    }
    // The copies take the next strip not yet taken, so that neither waits while strips remain.
    std::atomic<qsizetype> next{0};
    const auto work = [&](Model &model) {
        for (qsizetype i = next++; i < strips.size(); i = next++)
            readOne(model, i);
    };
    std::thread helper([&] { work(*m_second); });
    work(*m_model);
    helper.join();
    return glyphs;
}

QList<TextRecognizer::Glyph> TextRecognizer::read(Model &model, const QImage &strip) {
    if (strip.isNull() || strip.format() != QImage::Format_Grayscale8 || strip.height() != inputHeight ||
        strip.width() > inputWidth)
        return {};
    // The graph's normalisation, (value / 255 - 0.5) / 0.5, on three equal channels; paper beyond
    // the strip's end.
    const bool narrow = strip.width() <= narrowWidth;
    const int width = narrow ? narrowWidth : inputWidth;
    cv::dnn::Net &net = narrow ? model.narrow : model.net;
    const int sizes[] = {1, 3, inputHeight, width};
    cv::Mat blob(4, sizes, CV_32F, cv::Scalar(1.0f));
    float *data = blob.ptr<float>();
    for (int y = 0; y < inputHeight; ++y) {
        const uchar *row = strip.constScanLine(y);
        float *out = data + qsizetype(y) * width;
        for (int x = 0; x < strip.width(); ++x)
            out[x] = float(row[x]) / 127.5f - 1.0f;
    }
    for (int c = 1; c < 3; ++c)
        std::copy_n(data, inputHeight * width, data + qsizetype(c) * inputHeight * width);
    cv::Mat scores;
    try {
        net.setInput(blob);
        const cv::Mat byClass = net.forward();
        // [1, classes, 1, steps] to [steps][classes].
        if (byClass.dims != 4 || byClass.type() != CV_32F || byClass.size[0] != 1 || byClass.size[2] != 1 ||
            !byClass.isContinuous())
            return {};
        cv::transpose(
            cv::Mat(byClass.size[1], byClass.size[3], CV_32F, const_cast<float *>(byClass.ptr<float>())),
            scores);
    } catch (const cv::Exception &) {
        return {};
    }
    return decode(scores.ptr<float>(), scores.rows, scores.cols, m_dictionary, m_signs);
}

QString TextRecognizer::signs() const {
    QString all;
    for (const auto &[cls, sign] : m_signs) {
        if (!all.contains(sign))
            all.append(sign);
    }
    return all;
}

TextRecognizer::SignClasses TextRecognizer::signClasses(const QStringList &dictionary) {
    SignClasses signs;
    for (qsizetype i = 0; i < dictionary.size(); ++i) {
        const QString &entry = dictionary.at(i);
        if (entry.size() == 1 && entry.front().category() == QChar::Symbol_Currency)
            signs.emplace_back(int(i + 1), entry.front() == u'￥' ? QChar(u'¥') : entry.front());
    }
    return signs;
}

QList<TextRecognizer::Glyph> TextRecognizer::decode(const float *scores, int steps, int classes,
                                                    const QStringList &dictionary) {
    return decode(scores, steps, classes, dictionary, signClasses(dictionary));
}

QList<TextRecognizer::Glyph> TextRecognizer::decode(const float *scores, int steps, int classes,
                                                    const QStringList &dictionary, const SignClasses &signs) {
    QList<Glyph> glyphs;
    if (classes <= 0)
        return glyphs;
    // OpenCV's vectorised maximum and exponential: a scalar pass over every class at every step
    // costs as much as a tenth of the graph.
    cv::Mat shares(1, classes, CV_32F);
    int previous = 0;
    const int space = int(dictionary.size()) + 1;
    float blankOdds = 0;
    // A sign set close before a digit, its strokes touching the digit's (the narrow yen of a Ming
    // face), may lose its steps to nothing: where a step read as nothing gives one of `signs` these
    // odds against nothing, and the next character, a step or two later, is a digit, the sign is
    // read there, with those odds as its confidence.
    constexpr float faintSignOdds = 0.05f;
    std::optional<Glyph> faintSign;
    for (int step = 0; step < steps; ++step) {
        const float *row = scores + qsizetype(step) * classes;
        const cv::Mat scoresOfStep(1, classes, CV_32F, const_cast<float *>(row));
        double top = 0;
        cv::minMaxIdx(scoresOfStep, nullptr, &top);
        // The first class with the top score.
        const int best = int(std::find(row, row + classes, float(top)) - row);
        if (space < classes)
            blankOdds = std::max(blankOdds, std::exp(row[space] - float(top)));
        if (best == 0) {
            for (const auto &[index, sign] : signs) {
                const float odds = index < classes ? std::exp(row[index] - row[0]) : 0.0f;
                if (odds >= faintSignOdds && (!faintSign || odds > faintSign->confidence))
                    faintSign = Glyph{sign, step, odds, blankOdds};
            }
        }
        if (best != 0 && best != previous && best < classes) {
            QChar character = u' ';
            if (best <= dictionary.size()) {
                const QString &entry = dictionary.at(best - 1);
                character = entry.isEmpty() ? QChar(u' ') : entry.front();
            }
            if (character == u'￥')
                character = u'¥';
            // The scores are logits: the share of the best class after a softmax.
            cv::subtract(scoresOfStep, cv::Scalar(row[best]), shares);
            cv::exp(shares, shares);
            const double total = cv::sum(shares)[0];
            Glyph glyph{character, step, float(1.0 / total), blankOdds};
            // The next likeliest class other than nothing and a blank.
            float *share = shares.ptr<float>();
            share[0] = 0;
            share[best] = 0;
            if (space < classes)
                share[space] = 0;
            double next = 0;
            int nextClass[2] = {0, 0};
            cv::minMaxIdx(shares, nullptr, &next, nullptr, nextClass);
            if (next > 0 && nextClass[1] >= 1 && nextClass[1] <= dictionary.size() &&
                !dictionary.at(nextClass[1] - 1).isEmpty()) {
                glyph.alternative = dictionary.at(nextClass[1] - 1).front();
                if (glyph.alternative == u'￥')
                    glyph.alternative = u'¥';
                glyph.alternativeConfidence = float(next / total);
            }
            // Not after a digit, a point or a sign: between digits a sign's odds are a speck's. Nor
            // after a look-alike that held the sign as runner-up: that read the sign's ink already
            // ("S" for "$", mended where the number is read).
            if (faintSign && step - faintSign->step <= 2 && character >= u'0' && character <= u'9' &&
                (glyphs.isEmpty() || !(glyphs.back().character.isDigit() ||
                                       QStringView(u".,").contains(glyphs.back().character) ||
                                       glyphs.back().character.category() == QChar::Symbol_Currency ||
                                       glyphs.back().alternative == faintSign->character)))
                glyphs.append(*faintSign);
            faintSign.reset();
            glyphs.append(glyph);
            // A blank read is the blank before the character after it too.
            if (character != u' ')
                blankOdds = 0;
        }
        previous = best;
    }
    return glyphs;
}
