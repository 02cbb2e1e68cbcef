#pragma once

#include <QWidget>

#include "platform/services.h"

// The "Closing..." bar: a stay-on-top caption without a body, centred on the screen, shown by
// "e&Xit" while the main window closes. It stays until the process ends.
class TForm4 : public QWidget {
    Q_OBJECT
  public:
    explicit TForm4(td::Services& services, QWidget* parent = nullptr);

    // Shrinks the window to its caption bar, centres it on the screen and shows it.
    void showClosingBar();
};
