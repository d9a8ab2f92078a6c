#pragma once
// The gain slider of a strip. It holds the negated gain position, as the strip's label
// shows it; what a screen reader hears of it is the gain in dB ("-12.3 dB", "Off"), not
// the position.

#include <QSlider>
#include <QString>

namespace orl {

class GainSlider : public QSlider {
    Q_OBJECT
public:
    explicit GainSlider(QWidget* parent = nullptr);

    // The gain shown: its text and its figure in dB (-100 for off). Screen readers are
    // told of the change.
    void ShowGainText(const QString& text, double decibels);
    QString GainText() const { return gainText_; }
    double GainDecibels() const { return decibels_; }

private:
    QString gainText_ = QStringLiteral("0 dB");
    double decibels_ = 0;
};

} // namespace orl
