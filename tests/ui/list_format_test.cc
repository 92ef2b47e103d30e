#include "platform/ui/list_format.h"

#include <gtest/gtest.h>

namespace ui {
namespace {

constexpr const char* kSubjectFormat =
    "200L(2)|_~MATERIA~@s60@E(,0E6E6E6H,,)100L(2)|_~CICLO~@s30@40C(2)_~CURSO~L@n3@E(,0E6E6E6H,,)"
    "40C(2)|_@s4@E(,0E6E6E6H,,)275L(2)|_~ESPECIALIDAD~@s40@56R(2)|_~DNI_DOCENTE~L@n-14@"
    "56R(2)|_~NRO_REGISTRO~L@n-14@56R(2)|_~COD_CURSO~L@n-14@";
constexpr const char* kPupilFormat =
    "60R(2)|_~NRO_LEGAJO~L@n-14@215L(2)|_~ALUMNO~@s30@E(,0E6E6E6H,,)300L(2)|_@s255@"
    "300L(2)|_@s255@56R(2)|_~NRO_REGISTRO~L@n-14@E(00H,00H,00H,00H)";

struct Expected {
  const char* header;  // nullptr: none
  int width;
  Align align;
  Align header_align;
  bool border;
  const char* picture;
  bool grey_background;
};

void expect_columns(const char* format, const std::vector<Expected>& want) {
  ListFormatResult r = parse_list_format(format);
  ASSERT_TRUE(r.format.has_value()) << r.error;
  const auto& cols = r.format->columns;
  ASSERT_EQ(cols.size(), want.size());
  const Rgb grey{230, 230, 230};
  for (size_t i = 0; i < want.size(); ++i) {
    const ListColumn& c = cols[i];
    const Expected& e = want[i];
    SCOPED_TRACE("column " + std::to_string(i + 1));
    EXPECT_EQ(c.field, static_cast<int>(i) + 1);
    EXPECT_EQ(c.width, e.width);
    EXPECT_EQ(c.align, e.align);
    EXPECT_EQ(c.indent, 2);
    EXPECT_TRUE(c.underline);
    EXPECT_EQ(c.right_border, e.border);
    EXPECT_EQ(c.picture, e.picture);
    EXPECT_EQ(c.header.has_value(), e.header != nullptr);
    if (e.header) {
      EXPECT_EQ(*c.header, e.header);
      EXPECT_EQ(c.header_align, e.header_align);
    }
    EXPECT_EQ(c.colors.background == grey, e.grey_background);
  }
}

TEST(ListFormatTest, SubjectListColumns) {
  const Align L = Align::left, R = Align::right, C = Align::center;
  expect_columns(kSubjectFormat, {
                                     {"MATERIA", 200, L, L, true, "@s60", true},
                                     {"CICLO", 100, L, L, true, "@s30", false},
                                     {"CURSO", 40, C, L, false, "@n3", true},
                                     {nullptr, 40, C, L, true, "@s4", true},
                                     {"ESPECIALIDAD", 275, L, L, true, "@s40", false},
                                     {"DNI_DOCENTE", 56, R, L, true, "@n-14", false},
                                     {"NRO_REGISTRO", 56, R, L, true, "@n-14", false},
                                     {"COD_CURSO", 56, R, L, true, "@n-14", false},
                                 });
  ListFormatResult r = parse_list_format(kSubjectFormat);
  const ColumnColors& c1 = r.format->columns[0].colors;
  EXPECT_FALSE(c1.text.has_value());  // empty slots keep the list's colours
  EXPECT_FALSE(c1.selected_text.has_value());
  EXPECT_FALSE(c1.selected_background.has_value());
  EXPECT_EQ(r.format->fields_used, 8);
}

TEST(ListFormatTest, PupilListColumnsWithTheBlackNumberColumn) {
  const Align L = Align::left, R = Align::right;
  expect_columns(kPupilFormat, {
                                   {"NRO_LEGAJO", 60, R, L, true, "@n-14", false},
                                   {"ALUMNO", 215, L, L, true, "@s30", true},
                                   {nullptr, 300, L, L, true, "@s255", false},
                                   {nullptr, 300, L, L, true, "@s255", false},
                                   {"NRO_REGISTRO", 56, R, L, true, "@n-14", false},
                               });
  ListFormatResult pupils = parse_list_format(kPupilFormat);
  const ColumnColors& last = pupils.format->columns[4].colors;
  const Rgb black{0, 0, 0};
  EXPECT_EQ(last.text, black);
  EXPECT_EQ(last.background, black);
  EXPECT_EQ(last.selected_text, black);
  EXPECT_EQ(last.selected_background, black);
}

TEST(ListFormatTest, QueueFieldsGroupsAndRowColours) {
  ListFormatResult r =
      parse_list_format("20L*~A~@s5@[30R(1)M~B~C(3)@n3@10D#9#](40)|~Grp~C15C(0)YI");
  ASSERT_TRUE(r.format.has_value()) << r.error;
  const auto& c = r.format->columns;
  ASSERT_EQ(c.size(), 4u);
  EXPECT_EQ(c[0].field, 1);  // then four colour fields: 2..5
  EXPECT_TRUE(c[0].colors_in_queue);
  EXPECT_EQ(c[1].field, 6);
  EXPECT_EQ(c[1].header_align, Align::center);
  EXPECT_EQ(c[1].header_indent, 3);
  EXPECT_TRUE(c[1].resizable);
  EXPECT_EQ(c[2].field, 9);  // #9# chose it
  EXPECT_EQ(c[2].align, Align::decimal);
  EXPECT_EQ(c[1].group, 1);
  EXPECT_EQ(c[2].group, 1);
  EXPECT_EQ(c[3].group, 0);
  EXPECT_EQ(c[3].field, 10);  // style and icon fields follow: 11, 12
  EXPECT_EQ(r.format->fields_used, 12);
  ASSERT_EQ(r.format->groups.size(), 1u);
  EXPECT_EQ(r.format->groups[0].width, 40);
  EXPECT_TRUE(r.format->groups[0].right_border);
  EXPECT_EQ(r.format->groups[0].header, "Grp");
}

TEST(ListFormatTest, MalformedStringsAreRefusedWithAPosition) {
  for (const char* bad : {"", "200", "200X", "200L(2", "200L(x)", "200L~abc", "200L@s60",
                          "200LE(1,2,3,4,5)", "200LE(zzH)", "200LE(1,2", "[20L", "[[20L]]",
                          "20L#0#", "99999999L", "20L]"}) {
    ListFormatResult r = parse_list_format(bad);
    EXPECT_FALSE(r.format.has_value()) << bad;
    EXPECT_FALSE(r.error.empty()) << bad;
  }
}

TEST(ListFormatTest, ColoursReadAsBlueGreenRed) {
  bool ok = true;
  EXPECT_EQ(parse_color("0FF8000H", &ok), (Rgb{0, 128, 255}));
  EXPECT_EQ(parse_color("255", &ok), (Rgb{255, 0, 0}));
  EXPECT_FALSE(parse_color("-1", &ok).has_value());  // a system colour: list default
  EXPECT_TRUE(ok);
  parse_color("12G", &ok);
  EXPECT_FALSE(ok);
}

}  // namespace
}  // namespace ui
