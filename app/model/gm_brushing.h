// A brush stroke registered with the model, which lists the strokes that
// exist so the canvas can draw those still waiting for the engine.
#ifndef APP_MODEL_GM_BRUSHING_H
#define APP_MODEL_GM_BRUSHING_H

#include <QColor>
#include <QObject>

#include <memory>

class Brushing;

class GmBrushing : public QObject {
    Q_OBJECT
public:
    // Builds an empty stroke of `strokeColour` and registers with the model.
    explicit GmBrushing(const QColor& strokeColour, QObject* parent = nullptr);
    // Leaves the model's list; the stroke goes with it.
    ~GmBrushing() override;

    Brushing* brushing() const { return brushing_.get(); }

private:
    std::unique_ptr<Brushing> brushing_;
};

#endif
