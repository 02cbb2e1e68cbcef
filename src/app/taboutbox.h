#pragma once

#include <QWidget>

#include "platform/services.h"

// Created hidden at start-up; its content comes with the window's own feature.
class TAboutBox : public QWidget {
    Q_OBJECT
  public:
    explicit TAboutBox(td::Services& services, QWidget* parent = nullptr) : QWidget(parent) {
        Q_UNUSED(services);
        setObjectName(QStringLiteral("TAboutBox"));
    }
};
