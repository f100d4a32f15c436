// The recogniser's 1x1 convolution, with every set of kernels this processor runs, against sums
// worked out in double precision.
#include "receipt/Pointwise.h"

#include <QRandomGenerator>
#include <QTest>

#include <cmath>
#include <vector>

Q_DECLARE_METATYPE(Pointwise::Kernels)

class TestPointwise : public QObject {
    Q_OBJECT

private slots:
    void sumsEveryInputChannel_data() {
        QTest::addColumn<Pointwise::Kernels>("kernels");
        QTest::addColumn<int>("outputs");
        QTest::addColumn<int>("inputs");
        QTest::addColumn<int>("pixels");
        const std::pair<Pointwise::Kernels, const char *> all[] = {
            {Pointwise::Kernels::Plain, "plain"},
            {Pointwise::Kernels::Avx2, "AVX2"},
            {Pointwise::Kernels::Avx512, "AVX-512"},
        };
        // Whole blocks of channels and pixels, channels and pixels left over, one of each, and a
        // plane whose rows fall into the same cache sets.
        const struct {
            const char *name;
            int outputs, inputs, pixels;
        } shapes[] = {
            {"whole blocks", 24, 16, 64},
            {"channels left over", 13, 7, 32},
            {"pixels left over", 12, 5, 37},
            {"fewer pixels than a block", 7, 3, 5},
            {"one of each", 1, 1, 1},
            {"one pixel, many channels", 60, 240, 1},
            {"plane a power of two wide", 25, 9, 1024},
        };
        for (const auto &[kernels, kernelName] : all) {
            if (kernels > Pointwise::widest())
                continue;
            for (const auto &shape : shapes)
                QTest::addRow("%s, %s", kernelName, shape.name)
                    << kernels << shape.outputs << shape.inputs << shape.pixels;
        }
    }

    void sumsEveryInputChannel() {
        QFETCH(Pointwise::Kernels, kernels);
        QFETCH(int, outputs);
        QFETCH(int, inputs);
        QFETCH(int, pixels);
        QRandomGenerator random(quint32(outputs * 7919 + inputs * 131 + pixels));
        const auto values = [&random](size_t count) {
            std::vector<float> v(count);
            for (float &x : v)
                x = float(random.generateDouble() * 2 - 1);
            return v;
        };
        const std::vector<float> weights = values(size_t(outputs) * size_t(inputs));
        const std::vector<float> bias = values(size_t(outputs));
        const std::vector<float> in = values(size_t(inputs) * size_t(pixels));
        // The output's neighbours stay as they were.
        constexpr float untouched = 1234.5f;
        std::vector<float> out(size_t(outputs) * size_t(pixels) + 1, untouched);
        Pointwise(weights.data(), bias.data(), outputs, inputs, kernels).run(in.data(), pixels, out.data());
        for (int o = 0; o < outputs; ++o) {
            for (int p = 0; p < pixels; ++p) {
                double sum = bias[size_t(o)];
                for (int k = 0; k < inputs; ++k)
                    sum += double(weights[size_t(o * inputs + k)]) * double(in[size_t(k * pixels + p)]);
                const float got = out[size_t(o * pixels + p)];
                if (std::abs(got - sum) > 1e-4 * (1 + std::abs(sum)))
                    QFAIL(qPrintable(
                        QStringLiteral("output %1, pixel %2: %3, not %4").arg(o).arg(p).arg(got).arg(sum)));
            }
        }
        QCOMPARE(out.back(), untouched);
    }
};

QTEST_APPLESS_MAIN(TestPointwise)
#include "tst_pointwise.moc"
