#include "GainSlider.h"

#include "Protocol.h"

#include <QAccessible>
#include <QAccessibleWidget>

#include <algorithm>
#include <cmath>

namespace orl {

namespace {

constexpr double TopDecibels = 12.0;
constexpr double BottomDecibels = -80.0;

// The slider as an assistive technology sees it: its value is the gain in dB, and its
// value text the gain as the label says it.
class GainSliderAccessible : public QAccessibleWidget, public QAccessibleValueInterface {
public:
    explicit GainSliderAccessible(QWidget* widget)
        : QAccessibleWidget(widget, QAccessible::Slider) {}

    void* interface_cast(QAccessible::InterfaceType type) override {
        if (type == QAccessible::ValueInterface)
            return static_cast<QAccessibleValueInterface*>(this);
        return QAccessibleWidget::interface_cast(type);
    }
    QString text(QAccessible::Text t) const override {
        if (t == QAccessible::Value)
            return Slider()->GainText();
        return QAccessibleWidget::text(t);
    }
    QVariant currentValue() const override { return Slider()->GainDecibels(); }
    // Moves the thumb as the operator's hand would (and so sends the gain).
    void setCurrentValue(const QVariant& value) override {
        const double db = std::clamp(value.toDouble(), BottomDecibels, TopDecibels);
        Slider()->setValue(-(wire::ZeroDbPosition + static_cast<int>(std::lround(db * 10))));
    }
    QVariant maximumValue() const override { return TopDecibels; }
    QVariant minimumValue() const override { return BottomDecibels; }
    QVariant minimumStepSize() const override { return 0.1; }

private:
    GainSlider* Slider() const { return static_cast<GainSlider*>(widget()); }
};

QAccessibleInterface* GainSliderFactory(const QString& className, QObject* object) {
    if (className == QLatin1String(GainSlider::staticMetaObject.className()) && object != nullptr &&
        object->isWidgetType())
        return new GainSliderAccessible(static_cast<QWidget*>(object));
    return nullptr;
}

} // namespace

GainSlider::GainSlider(QWidget* parent) : QSlider(Qt::Vertical, parent) {
    static const bool factoryInstalled = [] {
        QAccessible::installFactory(GainSliderFactory);
        return true;
    }();
    static_cast<void>(factoryInstalled);
}

void GainSlider::ShowGainText(const QString& text, double decibels) {
    if (text == gainText_)
        return;
    gainText_ = text;
    decibels_ = decibels;
    QAccessibleValueChangeEvent event(this, decibels);
    QAccessible::updateAccessibility(&event);
}

} // namespace orl
