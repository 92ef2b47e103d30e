// Sheets and tabs: controls on a tab sit at window positions and are shown
// only with their tab; the tracking window's layout renders for the docs.
#include <gtest/gtest.h>

#include <QTabBar>
#include <QTest>

#include "platform/ui/window.h"
#include "platform/ui/widgets.h"
#include "tests/ui/qt_environment.h"

namespace ui {
namespace {

const Rgb kBlack{0, 0, 0}, kWhite{255, 255, 255}, kBlue{0, 128, 255}, kGrey{230, 230, 230};

struct Rows : ListSource {
  std::vector<std::vector<Value>> data;
  int rows() const override { return static_cast<int>(data.size()); }
  Value field(int row, int field) const override {
    const auto& r = data[row];
    return field >= 1 && field <= static_cast<int>(r.size()) ? r[field - 1] : Value{};
  }
};

TEST(SheetWindowTest, ControlsOnTabsFollowTheirTabAtWindowPositions) {
  std::string first = "Primer cuatrimestre", second = "Segundo";
  WindowDecl d;
  d.caption = "Actualizaci\u00F3n de Registros";
  d.width = 600, d.height = 200;
  d.font = {"Calibri", 8, false, std::nullopt};
  d.background = kGrey;
  d.frame = Frame::single;
  d.system_menu = true;
  d.add(display_text(Variable::of(first), "@s40").at(8, 4, 284, 16));
  d.add(sheet().at(0, 24, 600, 144).back(kGrey));
  int tab1 = d.add(tab("1\u00B0 Cuatrimestre").bold());
  d.add(text_box(Variable::of(first)).at(4, 44, 592, 116).on(tab1).with_box().with_vscroll().max_chars(5600));
  int tab2 = d.add(tab("2\u00B0 Cuatrimestre").bold());
  d.add(text_box(Variable::of(second)).at(4, 44, 592, 116).on(tab2).with_box().with_vscroll().max_chars(5600));
  Window w(d);
  w.open();
  EXPECT_EQ(w.current_tab(2), 3);
  EXPECT_TRUE(w.visible(4));
  EXPECT_FALSE(w.visible(6));
  EXPECT_EQ(w.widget(6)->geometry().topLeft(), QPoint(w.units().x(4), w.units().y(44)));
  w.select_tab(5);
  EXPECT_TRUE(w.visible(6));
  EXPECT_FALSE(w.visible(4));
  w.hide(2);  // hiding the sheet hides what lies on its tabs
  EXPECT_FALSE(w.visible(6));
  w.unhide(2);
  // A click on the other tab is reported as a new selection of the sheet.
  std::vector<Event> seen;
  QTimer::singleShot(0, [&] {
    auto* bar = static_cast<SheetWidget*>(w.widget(2))->tabs();
    QTest::mouseClick(bar, Qt::LeftButton, Qt::NoModifier, bar->tabRect(0).center());
  });
  QTimer::singleShot(300, &w, [&] { w.post(Event{kEventCloseWindow, 0, 0, 0}); });
  w.run([&](const Event& e) {
    seen.push_back(e);
    return e.number == kEventCloseWindow;
  });
  EXPECT_EQ(w.current_tab(2), 3);
  EXPECT_TRUE(w.visible(4));
  bool reported = false;
  for (const Event& e : seen) reported |= e.number == kEventNewSelection && e.control == 2;
  EXPECT_TRUE(reported);
}

TEST(SheetWindowTest, TrackingWindowLayoutRenders) {
  std::string teacher = "PEREZ, ANA", ciclo = "Nivel Inicial", division = "B",
              especialidad = "Sala de 5", materia = "LENGUA Y LITERATURA";
  int16_t curso = 5;
  WindowDecl d;
  d.has_caption = false;
  d.width = 900, d.height = 448;
  d.font = {"Consolas", 8, false, std::nullopt};
  d.background = kGrey;
  d.auto_display = true;
  auto bold_blue = [](ControlDecl c) { return c.trn().size(10).bold().text_color(kBlue); };
  d.add(display_text(Variable::of(teacher), "@s80").at(8, 4, 432, 12).trn().size(12).bold().text_color(kBlue));
  d.add(drop_list("200L(2)|_~MATERIA~@s60@E(,0E6E6E6H,,)100L(2)|_~CICLO~@s30@40C(2)_~CURSO~L@n3@"
                  "E(,0E6E6E6H,,)40C(2)|_@s4@E(,0E6E6E6H,,)275L(2)|_~ESPECIALIDAD~@s40@",
                  20)
            .at(8, 20, 432, 12).bold().colors(kBlack, kWhite, kWhite, kBlue).grid_color({192, 192, 192}));
  d.add(display_text(Variable::of(ciclo), "@s11").at(8, 36).trn().size(10).bold());
  d.add(bold_blue(display_text(Variable::of(curso), "@n3").at(68, 36)));
  d.add(bold_blue(display_text(Variable::of(division), "@s4").at(92, 36)));
  d.add(bold_blue(display_text(Variable::of(especialidad), "@s40").at(120, 36)));
  d.add(bold_blue(display_text(Variable::of(materia), "@s60").at(8, 52, 360, 12)));
  d.add(line().at(0, 69, 900, 0).line_color(kBlack));
  d.add(sheet().at(0, 80, 900, 368).tabs_width(90));
  int t = d.add(tab("Informe de Progreso"));
  d.add(fixed_text("I.P. (Informe de Progreso)  Cargar Notas o evaluaci\u00F3n").at(460, 8).on(t).trn().bold());
  d.add(fixed_text("Observaciones: Texto hasta 2000 Caracteres").at(460, 24).on(t).trn().bold());
  d.add(list("60R(2)|_~NRO_LEGAJO~L@n-14@215L(2)|_~ALUMNO~@s30@E(,0E6E6E6H,,)300L(2)|_@s255@"
             "300L(2)|_@s255@56R(2)|_~NRO_REGISTRO~L@n-14@E(00H,00H,00H,00H)")
            .at(4, 96, 892, 348).on(t).with_vscroll().colors(kBlack, kWhite, kWhite, kBlue)
            .grid_color({192, 192, 192}).imm());
  d.add(button("Planilla").with_icon("C:\\ICONOS\\IMPPREV.ICO").at(724, 8, 80, 24).on(t).make_flat().bold());
  d.add(button("Salir").with_icon("C:\\ICONOS\\SALIR.ico").at(812, 40, 80, 24).make_flat().bold());
  d.add(button("&Insert").at(392, 40, 44, 24).hide().disable().skipped());
  d.add(button("&Editar").with_icon("C:\\ICONOS\\Edit file.ico").at(812, 8, 80, 24).make_flat().bold());
  d.add(button("&Delete").at(344, 40, 44, 24).hide().disable().skipped());
  Window w(d);
  w.open();
  Rows subjects, pupils;
  subjects.data = {{Value::of_text("LENGUA Y LITERATURA"), Value::of_text("Nivel Inicial"),
                    Value::of_number(5), Value::of_text("B"), Value::of_text("Sala de 5")}};
  pupils.data = {
      {Value::of_number(1021), Value::of_text("ACOSTA, Juan"), Value::of_text("Reconoce colores y formas."),
       Value::of_text("Participa en juegos grupales."), Value::of_number(11)},
      {Value::of_number(1022), Value::of_text("BENITEZ, Ana"), Value::of_text("Progresa en la motricidad fina."),
       Value::of_text(""), Value::of_number(12)},
      {Value::of_number(1023), Value::of_text("CORREA, Luz"), Value::of_text("Se expresa con claridad."),
       Value::of_text("Muy buen avance."), Value::of_number(13)},
  };
  w.set_list_source(2, &subjects);
  w.refresh_list(2);
  w.set_list_source(13, &pupils);
  w.refresh_list(13);
  w.select_row(13, 2);
  // Controls on the tab keep their window positions, even above the sheet.
  EXPECT_EQ(w.widget(14)->geometry().topLeft(), QPoint(w.units().x(724), w.units().y(8)));
  EXPECT_TRUE(w.visible(14));
  EXPECT_FALSE(w.visible(16));
  QImage shot = testing_ui::save_screenshot(w.top(), "tracking_window.png");
  EXPECT_EQ(shot.pixelColor(w.units().x(450) + 4, w.units().y(69) + 4), QColor(0, 0, 0))
      << "the full-width line";
}

}  // namespace
}  // namespace ui
