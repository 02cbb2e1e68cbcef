#pragma once

#include <QWidget>

#include "platform/services.h"

class QPushButton;
class QLabel;

// The about box: product name, author line, the maker's two web pages and mail address.
// Shown modelessly; "Close" closes it.
class TAboutBox : public QWidget {
    Q_OBJECT
  public:
    explicit TAboutBox(td::Services& services, QWidget* parent = nullptr);

    QPushButton* HomeButton = nullptr;
    QPushButton* ProductButton = nullptr;
    QLabel* MailLabel = nullptr;
    QPushButton* CloseButton = nullptr;

  private:
    void open(const QString& target);

    td::Services& m_services;
};
