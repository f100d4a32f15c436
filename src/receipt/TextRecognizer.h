#pragma once

#include <QImage>
#include <QList>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>
#include <utility>
#include <vector>

// The neural line recogniser (PP-OCRv4 recognition, run by OpenCV DNN): reads strips of text
// scaled to `inputHeight` pixels. It holds one copy of the graph per core (at most two), which
// readAll() runs side by side. Not thread-safe: a thread uses one recogniser alone while it reads
// (ReceiptScanner hands them out).
class TextRecognizer {
public:
    static constexpr int inputHeight = 48;
    // Input columns per output step.
    static constexpr int stride = 8;
    // The width of the strips the graph reads; narrower strips are padded with paper.
    static constexpr int inputWidth = 640;
    // Strips this wide or narrower are read by a graph of this width, at half the cost: the last
    // strip of a page seldom fills a whole one.
    static constexpr int narrowWidth = inputWidth / 2;

    // One character read: `step` is the output step where it was read (input columns
    // step * stride to step * stride + stride - 1).
    struct Glyph {
        QChar character;
        int step = 0;
        float confidence = 0;
        // How likely a blank was read before it, from the steps since the character before: the
        // highest odds of the space class against the step's best class (1 where it was the best).
        float blankOdds = 0;
        // The character the recogniser found next likeliest at the step, and its probability
        // (a null character where none other than nothing or a blank).
        QChar alternative = QChar();
        float alternativeConfidence = 0;
    };

    TextRecognizer();
    ~TextRecognizer();
    TextRecognizer(const TextRecognizer &) = delete;
    TextRecognizer &operator=(const TextRecognizer &) = delete;

    // Loads the graph and dictionary from `folder`; false when they cannot be loaded.
    bool load(const QString &folder);
    bool isLoaded() const { return m_model != nullptr; }
    // The currency signs its dictionary holds, full-width ones folded ("¥$" for the Chinese model).
    QString signs() const;
    // Takes the recogniser's own layers out of OpenCV's layer factory, where load() puts them; only
    // while no recogniser loads. The next load() puts them back.
    static void unregisterLayers();

    // The characters on a strip (Format_Grayscale8, dark text on white, inputHeight pixels high,
    // at most inputWidth wide, padded with paper to narrowWidth or inputWidth), in order. Empty
    // when nothing is read.
    QList<Glyph> read(const QImage &strip);
    // Called with a strip's index and its characters as soon as it is read, on the thread that
    // read it: on two threads at once where the recogniser has two copies of the graph.
    using StripRead = std::function<void(qsizetype strip, const QList<Glyph> &glyphs)>;
    // The characters on each of `strips`, as read() gives them; the strips are shared out among
    // the recogniser's copies of the graph, one thread each. `onRead`, when given, is called for
    // each strip as it is read.
    QList<QList<Glyph>> readAll(const QList<QImage> &strips, const StripRead &onRead = {});

    // Greedy decoding of the graph's scores (logits), [steps][classes] row by row: the best class
    // per step, with its probability as the confidence, the next likeliest character and the
    // odds of a blank before it,
    // repeats merged, class 0 the blank, 1 to dictionary.size() the dictionary, the next one a
    // space. Full-width signs the dictionary holds are folded to their usual forms ("￥" to "¥").
    static QList<Glyph> decode(const float *scores, int steps, int classes, const QStringList &dictionary);

    // The currency signs of a dictionary, by class, full-width ones folded: what decode() looks
    // for where a step read as nothing may hold a faint sign.
    using SignClasses = std::vector<std::pair<int, QChar>>;
    static SignClasses signClasses(const QStringList &dictionary);
    // decode() with the dictionary's signClasses() given, as the recogniser keeps them.
    static QList<Glyph> decode(const float *scores, int steps, int classes, const QStringList &dictionary,
                               const SignClasses &signs);

private:
    struct Model; // the OpenCV graph, kept out of this header
    QList<Glyph> read(Model &model, const QImage &strip);
    std::unique_ptr<Model> m_model;
    std::unique_ptr<Model> m_second; // on machines with more than one core
    QStringList m_dictionary;
    SignClasses m_signs;
};
