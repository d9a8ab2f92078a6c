#pragma once
// The source selector of a fader strip: a drop-down list with an edit field that changes
// the strip's source only when the operator has picked it. The mouse wheel over a
// selector without the keyboard focus passes by (to the window, which may scroll) instead
// of stepping through the sources on air. The arrow keys (and Page Up, Page Down) in the
// closed selector move a highlight through the list in the field without choosing it;
// Escape puts the current choice back. A long name shows from its start in the field,
// and the open list is as wide as its longest name.

#include <QComboBox>

namespace orl {

class SourceSelector : public QComboBox {
public:
    static constexpr int PageStep = 10; // entries per Page Up or Page Down

    explicit SourceSelector(QWidget* parent = nullptr);

    void showPopup() override;
    // The entry the arrow keys highlighted, while the field still shows it; else -1.
    int HighlightedEntry() const;

protected:
    void wheelEvent(QWheelEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    bool MoveHighlight(const QKeyEvent* event);

    int highlight_ = -1;
    bool typing_ = false; // a key of the operator's is changing the field's text
};

} // namespace orl
