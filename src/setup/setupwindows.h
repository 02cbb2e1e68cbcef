#pragma once

#include <QWidget>

#include "platform/services.h"

// Created hidden at start-up; its content comes with the window's own feature.
class TFo1 : public QWidget {
    Q_OBJECT
  public:
    explicit TFo1(td::Services& services, QWidget* parent = nullptr) : QWidget(parent) {
        Q_UNUSED(services);
        setObjectName(QStringLiteral("TFo1"));
    }
};

// Created hidden at start-up; its content comes with the window's own feature.
class Tfu : public QWidget {
    Q_OBJECT
  public:
    explicit Tfu(td::Services& services, QWidget* parent = nullptr) : QWidget(parent) {
        Q_UNUSED(services);
        setObjectName(QStringLiteral("Tfu"));
    }
};

// Created hidden at start-up; its content comes with the window's own feature.
class Tfs1 : public QWidget {
    Q_OBJECT
  public:
    explicit Tfs1(td::Services& services, QWidget* parent = nullptr) : QWidget(parent) {
        Q_UNUSED(services);
        setObjectName(QStringLiteral("Tfs1"));
    }
};

// Created hidden at start-up; its content comes with the window's own feature.
class Tfs2 : public QWidget {
    Q_OBJECT
  public:
    explicit Tfs2(td::Services& services, QWidget* parent = nullptr) : QWidget(parent) {
        Q_UNUSED(services);
        setObjectName(QStringLiteral("Tfs2"));
    }
};

// Created hidden at start-up; its content comes with the window's own feature.
class Tfs3 : public QWidget {
    Q_OBJECT
  public:
    explicit Tfs3(td::Services& services, QWidget* parent = nullptr) : QWidget(parent) {
        Q_UNUSED(services);
        setObjectName(QStringLiteral("Tfs3"));
    }
};

// Created hidden at start-up; its content comes with the window's own feature.
class Tfdir : public QWidget {
    Q_OBJECT
  public:
    explicit Tfdir(td::Services& services, QWidget* parent = nullptr) : QWidget(parent) {
        Q_UNUSED(services);
        setObjectName(QStringLiteral("Tfdir"));
    }
};

// Created hidden at start-up; its content comes with the window's own feature.
class Tu1 : public QWidget {
    Q_OBJECT
  public:
    explicit Tu1(td::Services& services, QWidget* parent = nullptr) : QWidget(parent) {
        Q_UNUSED(services);
        setObjectName(QStringLiteral("Tu1"));
    }
};

// Created hidden at start-up; its content comes with the window's own feature.
class Tu2 : public QWidget {
    Q_OBJECT
  public:
    explicit Tu2(td::Services& services, QWidget* parent = nullptr) : QWidget(parent) {
        Q_UNUSED(services);
        setObjectName(QStringLiteral("Tu2"));
    }
};
