#include "find_bar.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QToolButton>

namespace zelta::fe {

FindBar::FindBar(QWidget* parent) : QWidget(parent) {
  setObjectName(QStringLiteral("findBar"));
  auto* row = new QHBoxLayout(this);
  row->setContentsMargins(0, 2, 0, 2);
  row->setSpacing(4);

  auto* label = new QLabel(QStringLiteral("検索:"), this);
  field = new QLineEdit(this);
  field->setObjectName(QStringLiteral("findField"));
  field->setClearButtonEnabled(true);
  label->setBuddy(field);
  countLabel = new QLabel(this);
  countLabel->setObjectName(QStringLiteral("findCount"));
  countLabel->setMinimumWidth(fontMetrics().horizontalAdvance(QStringLiteral("000000/000000")));
  countLabel->setAlignment(Qt::AlignCenter);
  auto button = [this](const QString& text, const QString& tip) {
    auto* b = new QToolButton(this);
    b->setText(text);
    b->setToolTip(tip);
    b->setAutoRaise(true);
    b->setFocusPolicy(Qt::NoFocus);
    return b;
  };
  previousButton = button(QStringLiteral("▲"), QStringLiteral("前を検索 (Shift+Enter)"));
  nextButton = button(QStringLiteral("▼"), QStringLiteral("次を検索 (Enter)"));
  wholeBox = new QCheckBox(QStringLiteral("単語単位"), this);
  wholeBox->setObjectName(QStringLiteral("findWhole"));
  wholeBox->setToolTip(QStringLiteral("関数名の一部には当てない"));
  closeButton = button(QStringLiteral("×"), QStringLiteral("閉じる (Esc)"));

  row->addWidget(label);
  row->addWidget(field, 1);
  row->addWidget(countLabel);
  row->addWidget(previousButton);
  row->addWidget(nextButton);
  row->addWidget(wholeBox);
  row->addWidget(closeButton);

  connect(field, &QLineEdit::textChanged, this, &FindBar::searchChanged);
  connect(wholeBox, &QCheckBox::toggled, this, &FindBar::searchChanged);
  connect(nextButton, &QToolButton::clicked, this, &FindBar::nextRequested);
  connect(previousButton, &QToolButton::clicked, this, &FindBar::previousRequested);
  connect(closeButton, &QToolButton::clicked, this, &FindBar::closed);
  field->installEventFilter(this);
  showCount(0, 0);
}

QString FindBar::text() const { return field->text(); }
bool FindBar::wholeNames() const { return wholeBox->isChecked(); }
void FindBar::setText(const QString& text) { field->setText(text); }

void FindBar::showCount(int current, int total) {
  countLabel->setText(field->text().isEmpty() ? QString() : QStringLiteral("%1/%2").arg(current).arg(total));
  // No hit: the field says so, as editors do.
  QPalette pal = field->palette();
  pal.setColor(QPalette::Base,
               !field->text().isEmpty() && total == 0 ? QColor(255, 220, 220) : palette().color(QPalette::Base));
  field->setPalette(pal);
}

void FindBar::open() {
  show();
  field->setFocus();
  field->selectAll();
}

bool FindBar::eventFilter(QObject* watched, QEvent* e) {
  if (watched == field && e->type() == QEvent::KeyPress) {
    auto* k = static_cast<QKeyEvent*>(e);
    if (k->key() == Qt::Key_Return || k->key() == Qt::Key_Enter) {
      if (k->modifiers() & Qt::ShiftModifier)
        emit previousRequested();
      else
        emit nextRequested();
      return true;
    }
    if (k->key() == Qt::Key_Escape) {
      emit closed();
      return true;
    }
  }
  return QWidget::eventFilter(watched, e);
}

}  // namespace zelta::fe
