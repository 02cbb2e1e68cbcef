#pragma once

#include <QImage>
#include <QWidget>

#include "platform/services.h"

class QFrame;
class QLabel;

namespace td {
class DrawingFont;
}

// The Font Map's magnifier: a small window without border icons that shows one character,
// large, while a cell of the map is selected. It never takes the focus from the main window.
class TForm2 : public QWidget {
    Q_OBJECT
  public:
    explicit TForm2(td::Services& services, QWidget* parent = nullptr);

    // Sizes the image to its panel.
    void FormCreate();

    // Shows `text` centred in `font` in a window `side` pixels square whose top-left corner is
    // at `topLeft` (screen coordinates), captioned `caption`.
    void showCharacter(const QString& caption, int side, const QPoint& topLeft,
                       const td::DrawingFont& font, const QString& text);
    // What the image holds now.
    QImage image() const { return m_image; }

    QFrame* Panel1 = nullptr;
    QLabel* Image1 = nullptr;

  private:
    QImage m_image;
};
