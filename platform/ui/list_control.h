// List controls: a table of rows laid out by a column format, and its
// drop-down variant. Rows come from a ListSource (the program's queue); the
// widgets only draw them and report what the user does as events.
#pragma once

#include <QAbstractTableModel>
#include <QComboBox>
#include <QScrollBar>
#include <QStyledItemDelegate>
#include <QTableView>
#include <functional>

#include "platform/ui/dialog_units.h"
#include "platform/ui/events.h"
#include "platform/ui/list_format.h"
#include "platform/ui/picture.h"
#include "platform/ui/value.h"

namespace ui {

class ListSource {
 public:
  virtual ~ListSource() = default;
  virtual int rows() const = 0;
  // Field `field` (1-based, as in the column format) of row `row` (0-based).
  virtual Value field(int row, int field) const = 0;
};

// Colours of a whole list; columns and rows may override them.
struct ListLook {
  std::optional<Rgb> text, background, selected_text, selected_background, grid;
};

using EventSink = std::function<void(const Event&)>;

class ListModel : public QAbstractTableModel {
  Q_OBJECT
 public:
  ListModel(ListFormat format, QObject* parent);
  void set_source(const ListSource* source);
  // Re-reads every row from the source.
  void refresh();
  const ListFormat& format() const { return format_; }
  const ListSource* source() const { return source_; }

  int rowCount(const QModelIndex& parent = QModelIndex()) const override;
  int columnCount(const QModelIndex& parent = QModelIndex()) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  QVariant headerData(int section, Qt::Orientation o, int role) const override;

  // The text a cell shows: its queue field through the column's picture.
  QString cell_text(int row, int column) const;
  // Colours a row gives a column through its queue fields ('*' columns).
  ColumnColors row_colors(int row, int column) const;

 private:
  ListFormat format_;
  std::vector<Picture> pictures_;
  const ListSource* source_ = nullptr;
};

// Paints cells: colours (row, then column, then list), alignment with its
// indent, right borders and underlines in the grid colour.
class ListDelegate : public QStyledItemDelegate {
 public:
  ListDelegate(const ListModel* model, ListLook look, DialogUnits units, QObject* parent)
      : QStyledItemDelegate(parent), model_(model), look_(look), units_(units) {}
  void paint(QPainter* p, const QStyleOptionViewItem& option,
             const QModelIndex& index) const override;
  // Paints row `row`, column `column` into `rect`, selected or not.
  void paint_cell(QPainter* p, const QRect& rect, int row, int column, bool selected,
                  const QFont& font) const;

 private:
  const ListModel* model_;
  ListLook look_;
  DialogUnits units_;
};

class ListView : public QTableView {
  Q_OBJECT
 public:
  ListView(ListFormat format, ListLook look, DialogUnits units, bool immediate, int control,
           EventSink sink, QWidget* parent);
  ListModel* list_model() const { return model_; }
  // 1-based highlighted row, 0 when none.
  int selected_row() const;
  void select_row(int row);
  // Immediate mode: how many rows fit, and where the thumb stands (0..100).
  int rows_visible() const;
  void set_thumb(int percent);
  int thumb() const;
  QPoint last_context_position() const { return context_pos_; }

 protected:
  void keyPressEvent(QKeyEvent* e) override;
  void wheelEvent(QWheelEvent* e) override;
  void mouseDoubleClickEvent(QMouseEvent* e) override;
  void contextMenuEvent(QContextMenuEvent* e) override;
  void updateGeometries() override;

 private:
  void post(int event, int keycode = 0, char32_t ch = 0);
  void scroll_action(int action);

  ListModel* model_;
  bool immediate_;
  int control_;
  EventSink sink_;
  QScrollBar* thumb_ = nullptr;  // immediate mode's own scroll bar
  QPoint context_pos_;
  bool programmatic_ = false;
};

class DropList : public QComboBox {
  Q_OBJECT
 public:
  DropList(ListFormat format, ListLook look, DialogUnits units, int rows, int control,
           EventSink sink, QWidget* parent);
  ListModel* list_model() const { return model_; }
  int selected_row() const { return currentIndex() + 1; }
  void select_row(int row);
  // Re-reads the rows, keeping the highlighted row where it can.
  void refresh();
  QPoint last_context_position() const { return context_pos_; }

 protected:
  void paintEvent(QPaintEvent* e) override;
  void keyPressEvent(QKeyEvent* e) override;
  void contextMenuEvent(QContextMenuEvent* e) override;

 private:
  ListModel* model_;
  ListDelegate* delegate_;
  int control_;
  EventSink sink_;
  QPoint context_pos_;
  bool programmatic_ = false;
};

// Converts a Qt key press to a key code of ui/events.h (0 for a bare modifier).
int key_code(const QKeyEvent* e);

// A colour of the notation as a QColor.
QColor to_qcolor(const Rgb& c);

}  // namespace ui
