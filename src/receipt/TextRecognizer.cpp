#include "TextRecognizer.h"

#include <QFile>

#include <opencv2/core.hpp>
#include <opencv2/dnn.hpp>

#include <algorithm>
#include <cmath>

struct TextRecognizer::Model {
    cv::dnn::Net net;
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
    if (dictionary.isEmpty() || !QFile::exists(graph))
        return false;
    auto model = std::make_unique<Model>();
    try {
        // OpenCV's own threads gain nothing on these narrow strips on two cores (measured) and
        // would take the core the program's window needs while it scans.
        cv::setNumThreads(1);
        model->net = cv::dnn::readNetFromONNX(QFile::encodeName(graph).toStdString());
        if (model->net.empty())
            return false;
        model->net.setPreferableBackend(cv::dnn::DNN_BACKEND_OPENCV);
        model->net.setPreferableTarget(cv::dnn::DNN_TARGET_CPU);
    } catch (const cv::Exception &) {
        return false;
    }
    m_dictionary = dictionary;
    m_model = std::move(model);
    return true;
}

QList<TextRecognizer::Glyph> TextRecognizer::read(const QImage &strip) {
    if (!m_model || strip.isNull() || strip.format() != QImage::Format_Grayscale8 ||
        strip.height() != inputHeight || strip.width() > inputWidth)
        return {};
    // The graph's normalisation, (value / 255 - 0.5) / 0.5, on three equal channels; paper beyond
    // the strip's end.
    const int sizes[] = {1, 3, inputHeight, inputWidth};
    cv::Mat blob(4, sizes, CV_32F, cv::Scalar(1.0f));
    float *data = blob.ptr<float>();
    for (int y = 0; y < inputHeight; ++y) {
        const uchar *row = strip.constScanLine(y);
        float *out = data + qsizetype(y) * inputWidth;
        for (int x = 0; x < strip.width(); ++x)
            out[x] = float(row[x]) / 127.5f - 1.0f;
    }
    for (int c = 1; c < 3; ++c)
        std::copy_n(data, inputHeight * inputWidth, data + qsizetype(c) * inputHeight * inputWidth);
    cv::Mat scores;
    try {
        m_model->net.setInput(blob);
        scores = m_model->net.forward();
    } catch (const cv::Exception &) {
        return {};
    }
    if (scores.dims != 3 || scores.size[0] != 1 || !scores.isContinuous())
        return {};
    return decode(scores.ptr<float>(), scores.size[1], scores.size[2], m_dictionary);
}

QList<TextRecognizer::Glyph> TextRecognizer::decode(const float *scores, int steps, int classes,
                                                    const QStringList &dictionary) {
    QList<Glyph> glyphs;
    int previous = 0;
    for (int step = 0; step < steps; ++step) {
        const float *row = scores + qsizetype(step) * classes;
        const int best = int(std::max_element(row, row + classes) - row);
        if (best != 0 && best != previous) {
            QChar character = u' ';
            if (best <= dictionary.size()) {
                const QString &entry = dictionary.at(best - 1);
                character = entry.isEmpty() ? QChar(u' ') : entry.front();
            }
            if (character == u'￥')
                character = u'¥';
            // The scores are logits: the share of the best class after a softmax.
            double sum = 0;
            for (int c = 0; c < classes; ++c)
                sum += std::exp(double(row[c] - row[best]));
            glyphs.append(Glyph{character, step, float(1.0 / sum)});
        }
        previous = best;
    }
    return glyphs;
}
