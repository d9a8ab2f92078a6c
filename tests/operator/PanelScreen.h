#pragma once
// Where the panel's controls are on the screen, and the colours of its tallies. Controls
// are placed in twips (15 to a pixel) inside their frame; the window's client area starts
// below its menu bar and is 9825 twips high.

#include <QColor>
#include <QRect>

namespace orl::test {

struct TwipsRect {
    int left;
    int top;
    int width;
    int height;
};

// The strip's controls, relative to the strip's frame.
inline constexpr TwipsRect SourceBox{10, 240, 1700, 315};
inline constexpr TwipsRect PgmButton{120, 720, 735, 615};
inline constexpr TwipsRect ZeroDbButton{120, 5580, 480, 200};
inline constexpr TwipsRect IfbButton{900, 6000, 735, 615};
inline constexpr TwipsRect OnButton{240, 6840, 1215, 1095};
inline constexpr TwipsRect OffButton{240, 8160, 1215, 1095};

inline constexpr QRgb IdleRgb = qRgb(254, 255, 244);
inline constexpr QRgb ActiveRgb = qRgb(255, 255, 192);
inline constexpr QRgb OnRgb = qRgb(192, 255, 255);

class PanelScreen {
public:
    static constexpr int Pixels(int twips) { return twips / 15; }

    // `window` is the main window's place and size on the screen.
    PanelScreen(const QRect& window, int faderCount) : window_(window), faders_(faderCount) {}

    // Strips stand 1720 apart from 120, or alone at 240; the button column follows the last.
    int StripLeft(int strip) const { return faders_ > 1 ? 120 + 1720 * strip : 240; }
    QRect StripControl(int strip, const TwipsRect& control) const {
        return Place(StripLeft(strip), control);
    }
    QRect UserButton(int k) const {
        return Place(StripLeft(faders_ - 1) + 1720, TwipsRect{420, 480 + 1100 * k, 860, 720});
    }
    // The edit field and the drop-down arrow of a strip's source selector.
    QPoint SourceText(int strip) const {
        const QRect box = StripControl(strip, SourceBox);
        return {box.left() + 30, box.center().y()};
    }
    QPoint SourceArrow(int strip) const {
        const QRect box = StripControl(strip, SourceBox);
        return {box.right() - 6, box.center().y()};
    }

private:
    QRect Place(int frameLeft, const TwipsRect& c) const {
        const int menuBar = window_.height() - Pixels(9825);
        return QRect(window_.x() + Pixels(frameLeft) + Pixels(c.left),
                     window_.y() + menuBar + Pixels(120) + Pixels(c.top), Pixels(c.width),
                     Pixels(c.height));
    }

    QRect window_;
    int faders_;
};

// The centre of a control of a dialog whose window is at `window` (no frame around it).
inline QPoint DialogControl(const QRect& window, const TwipsRect& c) {
    return {window.x() + PanelScreen::Pixels(c.left) + PanelScreen::Pixels(c.width) / 2,
            window.y() + PanelScreen::Pixels(c.top) + PanelScreen::Pixels(c.height) / 2};
}

} // namespace orl::test
