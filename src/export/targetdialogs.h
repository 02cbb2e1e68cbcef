#pragma once

#include <QWidget>

#include "platform/services.h"

// Created hidden at start-up; its content comes with the window's own feature.
class TForm5 : public QWidget {
    Q_OBJECT
  public:
    explicit TForm5(td::Services& services, QWidget* parent = nullptr) : QWidget(parent) {
        Q_UNUSED(services);
        setObjectName(QStringLiteral("TForm5"));
    }
};

// Created hidden at start-up; its content comes with the window's own feature.
class TForm6 : public QWidget {
    Q_OBJECT
  public:
    explicit TForm6(td::Services& services, QWidget* parent = nullptr) : QWidget(parent) {
        Q_UNUSED(services);
        setObjectName(QStringLiteral("TForm6"));
    }
};
