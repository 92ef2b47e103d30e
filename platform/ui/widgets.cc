#include "platform/ui/widgets.h"

#include <QKeyEvent>
#include <QMimeData>
#include <QPainter>
#include <QStyleOptionTabWidgetFrame>
#include <QStylePainter>

namespace ui {

QValidator::State PictureValidator::validate(QString& input, int&) const {
  return picture_.allows(input.toStdString()) ? Acceptable : Invalid;
}

EntryField::EntryField(const Picture& picture, bool overwrite, QWidget* parent)
    : QLineEdit(parent), overwrite_(overwrite) {
  if (picture.kind() != Picture::Kind::none) {
    setValidator(new PictureValidator(picture, this));
    setMaxLength(picture.width());
  }
}

void EntryField::keyPressEvent(QKeyEvent* e) {
  // Overwrite: a typed character replaces the one at the cursor.
  QString t = e->text();
  bool typing = !t.isEmpty() && t.at(0).isPrint() && !(e->modifiers() & Qt::ControlModifier);
  if (overwrite_ && typing && !hasSelectedText() && cursorPosition() < text().size()) {
    QString before = text();
    int pos = cursorPosition();
    setSelection(pos, 1);
    QLineEdit::keyPressEvent(e);
    if (text() == before.left(pos) + before.mid(pos + 1)) {
      // The validator refused the character: put the old text back.
      setText(before);
      setCursorPosition(pos);
    }
    return;
  }
  QLineEdit::keyPressEvent(e);
}

TextBox::TextBox(int max_length, QWidget* parent)
    : QPlainTextEdit(parent), max_length_(max_length) {
  connect(this, &QPlainTextEdit::textChanged, this, [this] {
    // Anything that slipped past the key and paste checks (input methods,
    // drops) is cut back to the limit.
    if (max_length_ > 0 && toPlainText().size() > max_length_) {
      QTextCursor c = textCursor();
      c.movePosition(QTextCursor::Start);
      c.movePosition(QTextCursor::NextCharacter, QTextCursor::MoveAnchor, max_length_);
      c.movePosition(QTextCursor::End, QTextCursor::KeepAnchor);
      c.removeSelectedText();
    }
  });
}

int TextBox::room() const {
  if (max_length_ <= 0) return INT_MAX;
  int selected = textCursor().selectedText().size();
  return max_length_ - static_cast<int>(toPlainText().size()) + selected;
}

void TextBox::keyPressEvent(QKeyEvent* e) {
  QString t = e->text();
  bool inserts = !t.isEmpty() && (t.at(0).isPrint() || t == "\r") &&
                 !(e->modifiers() & Qt::ControlModifier);
  if (inserts && room() <= 0) return;
  QPlainTextEdit::keyPressEvent(e);
}

void TextBox::insertFromMimeData(const QMimeData* source) {
  if (!source->hasText()) return;
  int space = room();
  if (space <= 0) return;
  insertPlainText(source->text().left(space));
}

LineWidget::LineWidget(QColor color, QWidget* parent) : QWidget(parent), color_(color) {
  setAttribute(Qt::WA_TransparentForMouseEvents);
}

void LineWidget::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.setPen(QPen(color_, 1));
  if (horizontal_) {
    p.drawLine(0, 0, width() - 1, 0);
  } else if (vertical_) {
    p.drawLine(0, 0, 0, height() - 1);
  } else {
    p.setRenderHint(QPainter::Antialiasing);
    p.drawLine(0, 0, width() - 1, height() - 1);
  }
}

BoxWidget::BoxWidget(std::optional<QColor> border, std::optional<QColor> fill, QWidget* parent)
    : QWidget(parent), border_(border), fill_(fill) {
  setAttribute(Qt::WA_TransparentForMouseEvents);
}

void BoxWidget::paintEvent(QPaintEvent*) {
  QPainter p(this);
  if (fill_) p.fillRect(rect(), *fill_);
  if (border_) {
    p.setPen(*border_);
    p.drawRect(rect().adjusted(0, 0, -1, -1));
  }
}

QSize SheetTabBar::tabSizeHint(int index) const {
  QSize s = QTabBar::tabSizeHint(index);
  if (width_ > 0) s.setWidth(width_);
  return s;
}

SheetWidget::SheetWidget(int tab_width_px, std::optional<QColor> background, QWidget* parent)
    : QFrame(parent), tabs_(new SheetTabBar(tab_width_px, this)), background_(background) {
  tabs_->setDrawBase(false);
  tabs_->setExpanding(false);
}

void SheetWidget::resizeEvent(QResizeEvent* e) {
  QFrame::resizeEvent(e);
  tabs_->setGeometry(0, 0, width(), tabs_->sizeHint().height());
}

void SheetWidget::paintEvent(QPaintEvent*) {
  QStylePainter p(this);
  QStyleOptionTabWidgetFrame opt;
  opt.initFrom(this);
  int top = tabs_->sizeHint().height() - 1;
  opt.rect = QRect(0, top, width(), height() - top);
  opt.shape = QTabBar::RoundedNorth;
  opt.tabBarSize = tabs_->sizeHint();
  opt.tabBarRect = tabs_->geometry();
  opt.selectedTabRect = tabs_->tabRect(tabs_->currentIndex());
  if (background_) p.fillRect(opt.rect, *background_);
  p.drawPrimitive(QStyle::PE_FrameTabWidget, opt);
}

}  // namespace ui
