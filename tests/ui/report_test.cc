// The report engine on the progress-sheet layout: pages, the header on every
// page, paragraphs cut at their area, the PDF file, the preview's placement,
// and the record loop run by the progress window.
#include <gtest/gtest.h>

#include <QApplication>
#include <QFile>
#include <QPrinter>
#include <QProcess>
#include <QPushButton>
#include <QStandardPaths>
#include <QTest>
#include <cstring>

#include "platform/app/message_table.h"
#include "platform/report/report_manager.h"
#include "platform/report/step_string.h"
#include "tests/support/support.h"
#include "tests/ui/qt_environment.h"

namespace report {
namespace {

using ui::Rgb;

const Rgb kGrey{128, 128, 128};

struct SheetData {
  char materia[60], ciclo[30], division[4], alumno[30];
  int16_t curso = 3;
  std::string first, second;
  SheetData() {
    set(materia, "LENGUA Y LITERATURA"), set(ciclo, "Nivel Inicial");
    set(division, "B"), set(alumno, "");
  }
  template <size_t N>
  static void set(char (&field)[N], const std::string& text) {
    std::memset(field, ' ', N);
    std::memcpy(field, text.data(), std::min(N, text.size()));
  }
};

ReportControl text_control(ReportControlKind k, Variable v, std::string pic, double x, double y,
                           double w, double h) {
  ReportControl c;
  c.kind = k, c.variable = std::move(v), c.picture = std::move(pic);
  c.x = x, c.y = y, c.width = w, c.height = h;
  return c;
}

ReportControl fixed(std::string text, double x, double y, double points) {
  ReportControl c;
  c.text = std::move(text), c.x = x, c.y = y, c.font.points = points;
  return c;
}

ReportControl rule(double x, double y, double w, double h) {
  ReportControl c;
  c.kind = ReportControlKind::line, c.x = x, c.y = y, c.width = w, c.height = h, c.color = kGrey;
  return c;
}

ReportDecl progress_sheet(SheetData& d) {
  ReportDecl r;
  r.font = {"Arial", 10, false, std::nullopt};
  r.body_x = 4, r.body_y = 21, r.body_width = 200, r.body_height = 276;
  using K = ReportControlKind;
  Band header{BandKind::header, "?HEADER", 4, 3, 200, 18, {"CALIBRI", 0, std::nullopt, std::nullopt}, {}};
  r.add_band(header);
  ReportControl materia = text_control(K::variable_text, Variable::of_chars(d.materia, 60), "@s60", 2, 2, 160, 6);
  materia.font.points = 14, materia.font.bold = true;
  r.add(materia);
  for (auto c : {text_control(K::variable_text, Variable::of_chars(d.ciclo, 30), "@s30", 2, 10, -1, -1),
                 text_control(K::variable_text, Variable::of(d.curso), "@n2", 69, 10, -1, -1),
                 text_control(K::variable_text, Variable::of_chars(d.division, 4), "@s4", 77, 10, -1, -1)}) {
    c.font.points = 12, c.font.bold = true;
    r.add(c);
  }
  ReportControl bar;
  bar.kind = K::box, bar.x = 2, bar.y = 17, bar.width = 192, bar.height = 1, bar.color = kGrey, bar.fill = kGrey;
  r.add(bar);
  r.add_band(Band{BandKind::detail, "?DETAIL", 0, 0, 0, 38, {"CALIBRI", 8, std::nullopt, std::nullopt}, {}});
  ReportControl title = bar;
  title.y = 0, title.height = 6, title.fill = Rgb{230, 230, 230};
  r.add(title);
  r.add(text_control(K::text, Variable::of(d.first), "", 4, 7, 92, 29));
  r.add(text_control(K::text, Variable::of(d.second), "", 100, 7, 92, 29));
  r.add(rule(194, 0, 0, 38));
  r.add(rule(2, 38, 192, 0));
  r.add(rule(2, 0, 0, 38));
  ReportControl alumno = text_control(K::variable_text, Variable::of_chars(d.alumno, 30), "@s30", 4, 1, 60, 4);
  alumno.font.bold = true;
  r.add(alumno);
  r.add(fixed("1\u00B0 Cuatrimestre", 73, 1, 8));
  r.add(rule(98, 0, 0, 38));
  r.add(fixed("2\u00B0 Cuatrimestre", 169, 1, 8));
  r.add_band(Band{BandKind::footer, "?FOOTER", 4, 242, 200, 25, {}, {}});
  r.add_band(Band{BandKind::form, "?FORM", 4, 4, 200, 290, {}, {}});
  return r;
}

std::string long_paragraph() {
  std::string p;
  for (int i = 1; i <= 120; ++i) p += "palabra" + std::to_string(i) + " ";
  return p + "FINALDELTEXTO";
}

std::string pdf_text(const std::string& pdf, int page) {
  QString tool = QStandardPaths::findExecutable("pdftotext");
  if (tool.isEmpty()) return "";
  QProcess p;
  p.start(tool, {"-f", QString::number(page), "-l", QString::number(page), QString::fromStdString(pdf), "-"});
  p.waitForFinished(20000);
  return p.readAllStandardOutput().toStdString();
}

TEST(ReportTest, BandsNumberedInDeclarationOrder) {
  SheetData d;
  ReportDecl r = progress_sheet(d);
  ASSERT_NE(r.band(1), nullptr);
  EXPECT_EQ(r.band(1)->kind, BandKind::header);
  EXPECT_EQ(r.band(7)->kind, BandKind::detail);
  EXPECT_EQ(r.band(18)->kind, BandKind::footer);
  EXPECT_EQ(r.band(19)->kind, BandKind::form);
  EXPECT_EQ(r.band(8), nullptr) << "a control is no band";
  Report report(r);
  report.Open();
  EXPECT_FALSE(report.Print(8));
}

TEST(ReportTest, TwoPagesCarryTheHeaderAndAParagraphIsCutAtItsArea) {
  SheetData d;
  ReportDecl decl = progress_sheet(d);
  Report report(decl);
  report.Open();
  const int pupils = 8;  // seven blocks fit on a page, the eighth starts page 2
  for (int i = 0; i < pupils; ++i) {
    SheetData::set(d.alumno, "ALUMNO " + std::to_string(i + 1));
    d.first = i == 0 ? long_paragraph() : "Reconoce colores y formas.";
    d.second = i == 0 ? "" : "Participa en juegos grupales.";
    report.Print(7);
  }
  report.Close();
  ASSERT_EQ(report.page_count(), 2);
  // Each page begins with the header's subject name.
  for (const Page& page : report.pages()) {
    int materias = 0;
    for (const PageItem& item : page.items) materias += item.text == "LENGUA Y LITERATURA";
    EXPECT_EQ(materias, 1);
  }
  // The first block's paragraph shows only whole lines inside 92 x 29 units.
  const PageItem* paragraph = nullptr;
  for (const PageItem& item : report.pages()[0].items) {
    if (item.wrap && item.text.startsWith("palabra1 ")) paragraph = &item;
  }
  ASSERT_NE(paragraph, nullptr);
  QImage device = page_image(300);
  std::vector<QString> lines = wrapped_lines(*paragraph, &device);
  ASSERT_FALSE(lines.empty());
  EXPECT_FALSE(lines.back().contains("FINALDELTEXTO")) << "the end did not fit";
  EXPECT_EQ(paragraph->text.toStdString(), long_paragraph()) << "the text itself is kept";
  // Blocks stay inside the body and the paper.
  for (const Page& page : report.pages()) {
    for (const PageItem& item : page.items) {
      EXPECT_LE(item.rect.bottom(), kA4HeightMm / kMmPerInch * kUnitsPerInch);
    }
  }

  testing_support::TempDir dir;
  std::string pdf = dir.file("sheet.pdf");
  ASSERT_TRUE(write_pdf(report.pages(), pdf));
  QFile file(QString::fromStdString(pdf));
  ASSERT_TRUE(file.open(QIODevice::ReadOnly));
  EXPECT_TRUE(file.read(4) == "%PDF");
  std::string page1 = pdf_text(pdf, 1), page2 = pdf_text(pdf, 2);
  if (page1.empty()) GTEST_SKIP() << "pdftotext is not installed";
  EXPECT_NE(page1.find("LENGUA Y LITERATURA"), std::string::npos);
  EXPECT_NE(page2.find("LENGUA Y LITERATURA"), std::string::npos);
  EXPECT_NE(page1.find("ALUMNO 7"), std::string::npos);
  EXPECT_NE(page2.find("ALUMNO 8"), std::string::npos);
  EXPECT_NE(page1.find("palabra1"), std::string::npos);
  EXPECT_EQ(page1.find("FINALDELTEXTO"), std::string::npos);
  EXPECT_NE(page1.find("1\u00B0 Cuatrimestre"), std::string::npos);

  // The printer path, with the printer writing a file instead of paper.
  QPrinter printer(QPrinter::HighResolution);
  printer.setOutputFormat(QPrinter::PdfFormat);
  std::string printed = dir.file("printed.pdf");
  printer.setOutputFileName(QString::fromStdString(printed));
  ASSERT_TRUE(print_pages(report.pages(), printer, 2, 2));
  EXPECT_NE(pdf_text(printed, 1).find("ALUMNO 8"), std::string::npos);

  QImage shot = page_image(100);
  QPainter painter(&shot);
  render_page(painter, report.pages()[0]);
  painter.end();
  shot.copy(0, 0, shot.width(), shot.height() / 2).save(
      QString::fromStdString(testing_ui::screenshot_path("report_page.png")));
}

TEST(ReportTest, PreviewPagesZoomsAndKeepsItsPlacementBetweenRuns) {
  testing_support::TempDir dir;
  platform::INIClass ini;
  ini.Init("QVRUDP.INI", platform::kSettingsInFile, 0, dir.path());
  std::vector<Page> pages(2);
  {
    PrintPreviewClass preview;
    preview.SetINIManager(&ini);
    preview.open(pages);
    EXPECT_EQ(preview.current_page(), 1);
    preview.next_page();
    preview.next_page();
    EXPECT_EQ(preview.current_page(), 2) << "stops at the last page";
    preview.set_zoom(100);
    EXPECT_EQ(preview.shown_image().width(), 794) << "A4 at 96 dots per inch";
    preview.window()->setGeometry(40, 50, 640, 480);
    preview.close();
  }
  EXPECT_EQ(ini.FetchNumber(kPreviewSection, "Width"), 640);
  EXPECT_EQ(ini.Fetch(kPreviewSection, "Maximize"), "No");
  PrintPreviewClass again;
  again.SetINIManager(&ini);
  again.open(pages);
  EXPECT_EQ(again.window()->geometry(), QRect(40, 50, 640, 480));
  PrintChoice to_pdf{2, 2, "", dir.file("page2.pdf")};
  EXPECT_TRUE(again.print(to_pdf));
  EXPECT_TRUE(QFile::exists(QString::fromStdString(to_pdf.pdf_path)));
  again.close();
}

// A run over `count` names; each record prints one detail band.
class NameProcess : public RecordProcess {
 public:
  NameProcess(Report& r, SheetData& d, int count) : report_(r), data_(d), count_(count) {}
  int Open() override { return 0; }
  int Next() override { return read_ < count_ ? (++read_, kRecordRead) : kRecordEnd; }
  int TakeRecord() override {
    SheetData::set(data_.alumno, "ALUMNO " + std::to_string(read_));
    report_.Print(7);
    return ui::kLevelBenign;
  }
  int Percent() const override { return count_ ? read_ * 100 / count_ : 0; }
  void Close() override {}
  int read_ = 0;

 private:
  Report& report_;
  SheetData& data_;
  int count_;
};

class RecordingPresenter : public platform::MessagePresenter {
 public:
  std::vector<std::string> titles;
  int show(const platform::MessageBox& b) override {
    titles.push_back(b.title);
    return b.default_button;
  }
  void end_program(int) override {}
};

struct RunResult {
  int response = 0;
  int previews = 0;
  int pages = 0;
  std::string percent_text;
  std::vector<std::string> messages;
};

class SheetRun : public ReportManager {
 public:
  using ReportManager::ReportManager;
  int previews = 0;
  int pages_seen = 0;
  std::string last_percent;
  void Preview() override {
    ++previews;
    pages_seen = static_cast<int>(report_pages->size());
  }
  int TakeWindowEvent() override {
    int r = ReportManager::TakeWindowEvent();
    if (window() && window()->is_open()) last_percent = window()->text(kProgressPercentText);
    return r;
  }
  const std::vector<Page>* report_pages = nullptr;
};

RunResult run_sheet(int records, bool press_cancel) {
  SheetData d;
  ReportDecl decl = progress_sheet(d);
  Report report(decl);
  uint8_t thermometer = 0;
  ui::Window progress(progress_window(ui::Variable::of(thermometer)));
  NameProcess process(report, d, records);
  RecordingPresenter presenter;
  platform::ErrorClass errors;
  errors.SetPresenter(&presenter);
  SheetRun run;
  run.report_pages = &report.pages();
  run.Errors = &errors;
  run.Init(process, report, nullptr);
  run.CancelControl = kProgressCancel;
  run.PercentControl = kProgressPercentText;
  run.Thermometer = ui::Variable::of(thermometer);
  run.Open(progress);
  progress.set_timer(kProgressTimerHundredths);
  if (press_cancel) {
    QTimer::singleShot(0, &progress, [&] { QTest::mouseClick(progress.widget(kProgressCancel), Qt::LeftButton); });
  }
  QTimer::singleShot(20000, &progress, [&] { progress.post(ui::Event{ui::kEventCloseWindow, 0, 0, 0}); });
  run.Ask();
  run.Kill();
  return {run.Response, run.previews, run.pages_seen, run.last_percent, presenter.titles};
}

TEST(ReportTest, ProgressWindowReadsInTimedBatchesThenPreviews) {
  RunResult r = run_sheet(30, false);
  EXPECT_EQ(r.response, ui::kResponseCompleted);
  EXPECT_EQ(r.previews, 1);
  EXPECT_EQ(r.pages, 5);  // 30 blocks, 7 a page
  EXPECT_TRUE(r.messages.empty());
  EXPECT_NE(r.percent_text.find("% Complete"), std::string::npos);
}

TEST(ReportTest, CancelAndAnEmptyRangeEndWithoutAPreview) {
  RunResult cancelled = run_sheet(1000, true);
  EXPECT_EQ(cancelled.response, ui::kResponseCancelled);
  EXPECT_EQ(cancelled.previews, 0);
  RunResult empty = run_sheet(0, false);
  EXPECT_EQ(empty.response, ui::kResponseCancelled);
  EXPECT_EQ(empty.previews, 0);
  EXPECT_EQ(empty.messages, (std::vector<std::string>{"No Records"}));
}

}  // namespace
}  // namespace report

namespace report {
namespace {

TEST(StepStringTest, NamesBetweenTheLimitsGiveTheirShareOfTheRun) {
  StepStringClass steps;
  steps.Init(StepStringClass::kAlpha | StepStringClass::kNumeric | StepStringClass::kNoCase);
  steps.SetLimit("ACOSTA, Juan", "ZAPATA, Eva");
  EXPECT_EQ(steps.GetPercentile("ACOSTA, Juan"), 0);
  EXPECT_EQ(steps.GetPercentile("ZAPATA, Eva"), 100);
  int middle = steps.GetPercentile("MARTINEZ, Ana");
  EXPECT_GT(middle, 40);
  EXPECT_LT(middle, 60);
  EXPECT_EQ(steps.GetPercentile("martinez, ana"), middle) << "case ignored";
  EXPECT_EQ(steps.GetPercentile("M-A-R-T-I-N-E-Z ANA"), middle) << "punctuation skipped";
  EXPECT_EQ(steps.GetPercentile("AAAA"), 0) << "before the range";
  steps.SetLimit("SAME", "SAME");
  EXPECT_EQ(steps.GetPercentile("SAME"), 0);
}

}  // namespace
}  // namespace report
