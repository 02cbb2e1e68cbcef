#pragma once

#include <QButtonGroup>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QMouseEvent>
#include <QRadioButton>
#include <QStringList>
#include <algorithm>

namespace td {

// A framed group of radio buttons with one chosen item, told by its index. `clicked` comes
// whenever the chosen item changes, by the user or by setItemIndex.
class RadioGroup : public QGroupBox {
    Q_OBJECT
  public:
    // The items stand in `columns` columns, filled row by row.
    RadioGroup(const QString& name, const QString& title, const QStringList& items,
               QWidget* parent = nullptr, int columns = 1)
        : QGroupBox(title, parent), m_buttons(new QButtonGroup(this)) {
        setObjectName(name);
        auto* layout = new QGridLayout(this);
        layout->setContentsMargins(4, 2, 2, 2);
        layout->setHorizontalSpacing(2);
        layout->setVerticalSpacing(0);
        columns = std::max(1, columns);
        for (int i = 0; i < items.size(); ++i) {
            auto* button = new QRadioButton(items.at(i), this);
            button->setObjectName(QStringLiteral("%1Item%2").arg(name).arg(i));
            m_buttons->addButton(button, i);
            layout->addWidget(button, i / columns, i % columns, Qt::AlignTop);
        }
        layout->setRowStretch(static_cast<int>((items.size() + columns - 1) / columns), 1);
        connect(m_buttons, &QButtonGroup::idToggled, this, [this](int, bool checked) {
            if (checked) {
                emit clicked();
            }
        });
    }

    int itemIndex() const { return m_buttons->checkedId(); }
    void setItemIndex(int index) {
        if (QAbstractButton* button = m_buttons->button(index)) {
            button->setChecked(true);
        }
    }
    QRadioButton* item(int index) const {
        return qobject_cast<QRadioButton*>(m_buttons->button(index));
    }
    int count() const { return static_cast<int>(m_buttons->buttons().size()); }

  signals:
    void clicked();

  private:
    QButtonGroup* m_buttons;
};

// A picture that reports a click, like the bottom bar's logo.
class ClickableLabel : public QLabel {
    Q_OBJECT
  public:
    using QLabel::QLabel;

  signals:
    void clicked();

  protected:
    void mouseReleaseEvent(QMouseEvent* event) override {
        if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint())) {
            emit clicked();
        }
        QLabel::mouseReleaseEvent(event);
    }
};

}  // namespace td
