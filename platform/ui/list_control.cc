#include "platform/ui/list_control.h"

#include <QHeaderView>
#include <QKeyEvent>
#include <QPainter>
#include <QStyleOptionHeader>
#include <QStylePainter>

namespace ui {
namespace {

constexpr int kTextPadding = 2;  // pixels between a cell's edge and its text
const QColor kDefaultGrid(192, 192, 192);

Qt::Alignment qt_align(Align a) {
  switch (a) {
    case Align::left: return Qt::AlignLeft;
    case Align::right:
    case Align::decimal: return Qt::AlignRight;
    case Align::center: return Qt::AlignHCenter;
  }
  return Qt::AlignLeft;
}

std::optional<Rgb> colour_field(const Value& v) {
  int64_t n = v.as_number();
  if (n < 0 || n > 0xFFFFFF) return std::nullopt;
  return Rgb{static_cast<int>(n & 0xFF), static_cast<int>((n >> 8) & 0xFF),
             static_cast<int>((n >> 16) & 0xFF)};
}

template <typename T>
std::optional<T> first_of(std::optional<T> a, std::optional<T> b, std::optional<T> c) {
  return a ? a : b ? b : c;
}

// Headers with their own alignment and indent.
class ListHeader : public QHeaderView {
 public:
  ListHeader(const ListModel* model, DialogUnits units, QWidget* parent)
      : QHeaderView(Qt::Horizontal, parent), model_(model), units_(units) {}

 protected:
  void paintSection(QPainter* p, const QRect& rect, int logical) const override {
    if (!rect.isValid() || logical < 0 || logical >= model_->columnCount()) return;
    QStyleOptionHeader opt;
    initStyleOption(&opt);
    opt.rect = rect;
    opt.section = logical;
    opt.text.clear();
    style()->drawControl(QStyle::CE_Header, &opt, p, this);
    const ListColumn& c = model_->format().columns[logical];
    if (!c.header) return;
    int indent = units_.x(c.header_indent) + kTextPadding;
    QRect text = rect.adjusted(c.header_align == Align::left ? indent : 0, 0,
                               c.header_align == Align::right ? -indent : 0, 0);
    p->save();
    p->setClipRect(rect);
    p->drawText(text, int(qt_align(c.header_align) | Qt::AlignVCenter),
                QString::fromStdString(*c.header));
    p->restore();
  }

 private:
  const ListModel* model_;
  DialogUnits units_;
};

void set_widths(QTableView* view, const ListFormat& f, const DialogUnits& u) {
  for (size_t c = 0; c < f.columns.size(); ++c) {
    view->setColumnWidth(static_cast<int>(c), u.x(f.columns[c].width));
  }
}

void style_table(QTableView* view, const ListFormat& f, const DialogUnits& u, bool headers) {
  view->setShowGrid(false);
  view->setSelectionBehavior(QAbstractItemView::SelectRows);
  view->setSelectionMode(QAbstractItemView::SingleSelection);
  view->setEditTriggers(QAbstractItemView::NoEditTriggers);
  view->verticalHeader()->hide();
  view->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
  view->verticalHeader()->setDefaultSectionSize(QFontMetrics(view->font()).height() + 2);
  view->horizontalHeader()->setHighlightSections(false);
  view->horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
  view->horizontalHeader()->setVisible(headers);
  set_widths(view, f, u);
  for (size_t c = 0; c < f.columns.size(); ++c) {
    if (f.columns[c].fixed) {
      view->horizontalHeader()->setSectionResizeMode(static_cast<int>(c), QHeaderView::Fixed);
    }
  }
}

bool any_header(const ListFormat& f) {
  for (const ListColumn& c : f.columns) {
    if (c.header) return true;
  }
  return false;
}

}  // namespace

QColor to_qcolor(const Rgb& c) { return QColor(c.r, c.g, c.b); }

int key_code(const QKeyEvent* e) {
  int k = e->key();
  int code = 0;
  if (k >= Qt::Key_A && k <= Qt::Key_Z) {
    code = 'A' + (k - Qt::Key_A);
  } else if (k >= Qt::Key_0 && k <= Qt::Key_9) {
    code = '0' + (k - Qt::Key_0);
  } else if (k >= Qt::Key_F1 && k <= Qt::Key_F24) {
    code = kF1Key + (k - Qt::Key_F1);
  } else {
    switch (k) {
      case Qt::Key_Return:
      case Qt::Key_Enter: code = kEnterKey; break;
      case Qt::Key_Escape: code = kEscKey; break;
      case Qt::Key_Tab:
      case Qt::Key_Backtab: code = kTabKey; break;
      case Qt::Key_Backspace: code = kBackspaceKey; break;
      case Qt::Key_Space: code = kSpaceKey; break;
      case Qt::Key_PageUp: code = kPgUpKey; break;
      case Qt::Key_PageDown: code = kPgDnKey; break;
      case Qt::Key_Home: code = kHomeKey; break;
      case Qt::Key_End: code = kEndKey; break;
      case Qt::Key_Left: code = kLeftKey; break;
      case Qt::Key_Up: code = kUpKey; break;
      case Qt::Key_Right: code = kRightKey; break;
      case Qt::Key_Down: code = kDownKey; break;
      case Qt::Key_Insert: code = kInsertKey; break;
      case Qt::Key_Delete: code = kDeleteKey; break;
      case Qt::Key_Shift:
      case Qt::Key_Control:
      case Qt::Key_Alt:
      case Qt::Key_Meta: return 0;
      default: code = e->text().isEmpty() ? 0 : kOtherKey;
    }
  }
  if (code == 0) return 0;
  Qt::KeyboardModifiers m = e->modifiers();
  if (m & Qt::ShiftModifier) code |= kShiftKey;
  if (m & Qt::ControlModifier) code |= kCtrlKey;
  if (m & Qt::AltModifier) code |= kAltKey;
  return code;
}

// ---- model ----

ListModel::ListModel(ListFormat format, QObject* parent)
    : QAbstractTableModel(parent), format_(std::move(format)) {
  for (const ListColumn& c : format_.columns) {
    pictures_.push_back(Picture::parse(c.picture).value_or(Picture()));
  }
}

void ListModel::set_source(const ListSource* source) {
  beginResetModel();
  source_ = source;
  endResetModel();
}

void ListModel::refresh() {
  beginResetModel();
  endResetModel();
}

int ListModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() || source_ == nullptr ? 0 : source_->rows();
}

int ListModel::columnCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(format_.columns.size());
}

QString ListModel::cell_text(int row, int column) const {
  if (source_ == nullptr || row < 0 || row >= source_->rows()) return {};
  const ListColumn& c = format_.columns[column];
  return QString::fromStdString(pictures_[column].format(source_->field(row, c.field)));
}

ColumnColors ListModel::row_colors(int row, int column) const {
  const ListColumn& c = format_.columns[column];
  if (!c.colors_in_queue || source_ == nullptr || row < 0 || row >= source_->rows()) return {};
  return {colour_field(source_->field(row, c.field + 1)),
          colour_field(source_->field(row, c.field + 2)),
          colour_field(source_->field(row, c.field + 3)),
          colour_field(source_->field(row, c.field + 4))};
}

QVariant ListModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid()) return {};
  if (role == Qt::DisplayRole) return cell_text(index.row(), index.column());
  if (role == Qt::TextAlignmentRole) {
    return int(qt_align(format_.columns[index.column()].align) | Qt::AlignVCenter);
  }
  return {};
}

QVariant ListModel::headerData(int section, Qt::Orientation o, int role) const {
  if (o != Qt::Horizontal || section < 0 || section >= columnCount()) return {};
  const ListColumn& c = format_.columns[section];
  if (role == Qt::DisplayRole) return QString::fromStdString(c.header.value_or(""));
  if (role == Qt::TextAlignmentRole) return int(qt_align(c.header_align) | Qt::AlignVCenter);
  return {};
}

// ---- delegate ----

void ListDelegate::paint_cell(QPainter* p, const QRect& rect, int row, int column,
                              bool selected, const QFont& font) const {
  const ListColumn& c = model_->format().columns[column];
  ColumnColors r = model_->row_colors(row, column);
  std::optional<Rgb> back, fore;
  if (selected) {
    back = first_of(r.selected_background, c.colors.selected_background, look_.selected_background);
    fore = first_of(r.selected_text, c.colors.selected_text, look_.selected_text);
  } else {
    back = first_of(r.background, c.colors.background, look_.background);
    fore = first_of(r.text, c.colors.text, look_.text);
  }
  p->save();
  p->fillRect(rect, back ? to_qcolor(*back) : selected ? QColor(0, 120, 215) : QColor(Qt::white));
  p->setPen(fore ? to_qcolor(*fore) : selected ? QColor(Qt::white) : QColor(Qt::black));
  p->setFont(font);
  int indent = units_.x(c.indent) + kTextPadding;
  QRect text_rect = rect;
  if (c.align == Align::left) text_rect.setLeft(rect.left() + indent);
  if (c.align == Align::right || c.align == Align::decimal) text_rect.setRight(rect.right() - indent);
  if (c.align == Align::center) text_rect.translate(units_.x(c.indent) / 2, 0);
  p->setClipRect(rect);
  p->drawText(text_rect, int(qt_align(c.align) | Qt::AlignVCenter), model_->cell_text(row, column));
  QColor grid = look_.grid ? to_qcolor(*look_.grid) : kDefaultGrid;
  p->setPen(grid);
  if (c.right_border) p->drawLine(rect.topRight(), rect.bottomRight());
  if (c.underline) p->drawLine(rect.bottomLeft(), rect.bottomRight());
  p->restore();
}

void ListDelegate::paint(QPainter* p, const QStyleOptionViewItem& option,
                         const QModelIndex& index) const {
  bool selected = option.state & QStyle::State_Selected;
  paint_cell(p, option.rect, index.row(), index.column(), selected, option.font);
}

// ---- list view ----

ListView::ListView(ListFormat format, ListLook look, DialogUnits units, bool immediate,
                   int control, EventSink sink, QWidget* parent)
    : QTableView(parent), immediate_(immediate), control_(control), sink_(std::move(sink)) {
  bool headers = any_header(format);
  model_ = new ListModel(format, this);
  setHorizontalHeader(new ListHeader(model_, units, this));
  setModel(model_);
  setItemDelegate(new ListDelegate(model_, look, units, this));
  style_table(this, format, units, headers);
  if (look.background) {
    QPalette pal = palette();
    pal.setColor(QPalette::Base, to_qcolor(*look.background));
    setPalette(pal);
  }
  if (immediate_) {
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    thumb_ = new QScrollBar(Qt::Vertical, this);
    thumb_->setRange(0, 100);
    thumb_->setPageStep(10);
    connect(thumb_, &QScrollBar::actionTriggered, this, &ListView::scroll_action);
  }
  connect(selectionModel(), &QItemSelectionModel::currentRowChanged, this,
          [this](const QModelIndex& now, const QModelIndex&) {
            if (!programmatic_ && now.isValid()) post(kEventNewSelection);
          });
}

void ListView::post(int event, int keycode, char32_t ch) {
  if (sink_) sink_(Event{event, control_, keycode, ch});
}

int ListView::selected_row() const {
  QModelIndex i = currentIndex();
  return i.isValid() ? i.row() + 1 : 0;
}

void ListView::select_row(int row) {
  programmatic_ = true;
  if (row >= 1 && row <= model_->rowCount()) {
    QModelIndex i = model_->index(row - 1, 0);
    setCurrentIndex(i);
    selectionModel()->select(i, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    scrollTo(i);
  } else {
    clearSelection();
    setCurrentIndex(QModelIndex());
  }
  programmatic_ = false;
}

int ListView::rows_visible() const {
  int h = verticalHeader()->defaultSectionSize();
  return h > 0 ? std::max(1, viewport()->height() / h) : 1;
}

void ListView::set_thumb(int percent) {
  if (thumb_ != nullptr) thumb_->setValue(std::clamp(percent, 0, 100));
}

int ListView::thumb() const { return thumb_ != nullptr ? thumb_->value() : 0; }

void ListView::scroll_action(int action) {
  switch (action) {
    case QAbstractSlider::SliderSingleStepAdd: post(kEventScrollDown); break;
    case QAbstractSlider::SliderSingleStepSub: post(kEventScrollUp); break;
    case QAbstractSlider::SliderPageStepAdd: post(kEventPageDown); break;
    case QAbstractSlider::SliderPageStepSub: post(kEventPageUp); break;
    case QAbstractSlider::SliderToMinimum: post(kEventScrollTop); break;
    case QAbstractSlider::SliderToMaximum: post(kEventScrollBottom); break;
    case QAbstractSlider::SliderMove: post(kEventScrollDrag); break;
    default: break;
  }
}

void ListView::updateGeometries() {
  QTableView::updateGeometries();
  if (thumb_ == nullptr) return;
  // The table sets its margins for its headers on every layout; the right
  // margin is ours, for the scroll bar the program drives.
  QMargins m = viewportMargins();
  int w = thumb_->sizeHint().width();
  if (m.right() != w) setViewportMargins(m.left(), m.top(), w, m.bottom());
  QRect r = viewport()->geometry();
  thumb_->setGeometry(r.right() + 1, r.top(), w, r.height());
  thumb_->show();
}

void ListView::keyPressEvent(QKeyEvent* e) {
  int code = key_code(e);
  int row = selected_row();
  int rows = model_->rowCount();
  if (immediate_) {
    // At the edges of the rows held, movement becomes a request to the
    // program, which pages rows in and out itself.
    if (code == kUpKey && row <= 1) return post(kEventScrollUp);
    if (code == kDownKey && row >= rows) return post(kEventScrollDown);
    if (code == kPgUpKey) return post(kEventPageUp);
    if (code == kPgDnKey) return post(kEventPageDown);
    if (code == (kCtrlKey | kHomeKey)) return post(kEventScrollTop);
    if (code == (kCtrlKey | kEndKey)) return post(kEventScrollBottom);
  }
  bool navigation = (code & 0xFF) >= kPgUpKey && (code & 0xFF) <= kDownKey && (code & ~0xFF) == 0;
  if (navigation || code == kTabKey || code == (kShiftKey | kTabKey) || code == 0) {
    QTableView::keyPressEvent(e);
    return;
  }
  QString text = e->text();
  char32_t ch = text.isEmpty() || !text.at(0).isPrint() ? 0 : text.toUcs4().value(0);
  post(kEventAlertKey, code, ch);
}

void ListView::wheelEvent(QWheelEvent* e) {
  if (!immediate_) return QTableView::wheelEvent(e);
  int steps = e->angleDelta().y() / 120;
  for (int i = 0; i < std::abs(steps); ++i) post(steps > 0 ? kEventScrollUp : kEventScrollDown);
  e->accept();
}

void ListView::mouseDoubleClickEvent(QMouseEvent* e) {
  QTableView::mouseDoubleClickEvent(e);
  if (e->button() == Qt::LeftButton && indexAt(e->pos()).isValid()) {
    post(kEventAccepted, kMouseLeft2);
  }
}

void ListView::contextMenuEvent(QContextMenuEvent* e) {
  QModelIndex i = indexAt(e->pos());
  if (i.isValid()) select_row(i.row() + 1), post(kEventNewSelection);
  context_pos_ = e->globalPos();
  post(kEventContextMenu, kMouseRight);
}

// ---- drop list ----

DropList::DropList(ListFormat format, ListLook look, DialogUnits units, int rows, int control,
                   EventSink sink, QWidget* parent)
    : QComboBox(parent), control_(control), sink_(std::move(sink)) {
  model_ = new ListModel(format, this);
  auto* view = new QTableView(this);
  setModel(model_);
  setView(view);
  delegate_ = new ListDelegate(model_, look, units, this);
  view->setItemDelegate(delegate_);
  style_table(view, format, units, false);
  int width = 0;
  for (const ListColumn& c : format.columns) width += units.x(c.width);
  view->setMinimumWidth(width + view->verticalScrollBar()->sizeHint().width());
  setMaxVisibleItems(rows > 0 ? rows : 10);
  connect(this, &QComboBox::currentIndexChanged, this, [this](int) {
    if (!programmatic_ && sink_) sink_(Event{kEventNewSelection, control_, 0, 0});
  });
}

void DropList::select_row(int row) {
  programmatic_ = true;
  setCurrentIndex(row >= 1 && row <= count() ? row - 1 : -1);
  programmatic_ = false;
}

void DropList::refresh() {
  int keep = currentIndex();
  programmatic_ = true;
  model_->refresh();
  setCurrentIndex(keep >= 0 && keep < count() ? keep : count() > 0 ? 0 : -1);
  programmatic_ = false;
}

void DropList::paintEvent(QPaintEvent*) {
  QStylePainter painter(this);
  QStyleOptionComboBox opt;
  initStyleOption(&opt);
  opt.currentText.clear();
  opt.currentIcon = QIcon();
  painter.drawComplexControl(QStyle::CC_ComboBox, opt);
  QRect field = style()->subControlRect(QStyle::CC_ComboBox, &opt, QStyle::SC_ComboBoxEditField, this);
  int row = currentIndex();
  if (row < 0) return;
  painter.setClipRect(field);
  int x = field.left();
  auto* table = static_cast<QTableView*>(view());
  for (int c = 0; c < model_->columnCount(); ++c) {
    int w = table->columnWidth(c);
    delegate_->paint_cell(&painter, QRect(x, field.top(), w, field.height()), row, c, false, font());
    x += w;
  }
}

void DropList::keyPressEvent(QKeyEvent* e) {
  int code = key_code(e);
  QString text = e->text();
  bool printable = !text.isEmpty() && text.at(0).isPrint() && !(code & (kCtrlKey | kAltKey));
  if (printable || code == kDeleteKey || code == kInsertKey || code == kCtrlEnter) {
    char32_t ch = printable ? text.toUcs4().value(0) : 0;
    if (sink_) sink_(Event{kEventAlertKey, control_, code, ch});
    return;
  }
  QComboBox::keyPressEvent(e);
}

void DropList::contextMenuEvent(QContextMenuEvent* e) {
  context_pos_ = e->globalPos();
  if (sink_) sink_(Event{kEventContextMenu, control_, kMouseRight, 0});
}

}  // namespace ui
