#pragma once
// The source selector of a fader strip: a drop-down list with an edit field that changes
// the strip's source only when the operator has picked it. The mouse wheel over a
// selector without the keyboard focus passes by (to the window, which may scroll) instead
// of stepping through the sources on air. A long name shows from its start in the field,
// and the open list is as wide as its longest name.

#include <QComboBox>

namespace orl {

class SourceSelector : public QComboBox {
public:
    explicit SourceSelector(QWidget* parent = nullptr);

    void showPopup() override;

protected:
    void wheelEvent(QWheelEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    bool typing_ = false; // a key of the operator's is changing the field's text
};

} // namespace orl
