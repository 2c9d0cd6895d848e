#include "ui/svg.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <set>
#include <string>

namespace swiftlane::ui {
namespace {

using Contour = std::vector<TPointF>;

TSvgDocument Parse(const std::string& body, const std::string& viewBox = "0 0 100 100") {
  const auto doc = ParseSvg("<svg xmlns=\"http://www.w3.org/2000/svg\" viewBox=\"" + viewBox + "\">" + body + "</svg>");
  EXPECT_TRUE(doc.has_value());
  return doc.value_or(TSvgDocument{});
}

void ExpectNear(const Contour& got, const Contour& want) {
  ASSERT_EQ(got.size(), want.size());
  for (size_t i = 0; i < got.size(); ++i) {
    EXPECT_NEAR(got[i].x, want[i].x, 1e-9) << "point " << i;
    EXPECT_NEAR(got[i].y, want[i].y, 1e-9) << "point " << i;
  }
}

TEST(SvgParser, StraightPathsInEveryNotation) {
  const Contour square = {{10, 10}, {20, 10}, {20, 20}, {10, 20}};
  for (const char* d : {"M10 10 L20 10 L20 20 L10 20 Z", "m10 10 l10 0 l0 10 l-10 0 z", "M10 10 H20 V20 H10 z",
                        "M10,10h10v10h-10Z", "M10 10 20 10 20 20 10 20z", "m10 10 10 0 0 10 -10 0z",
                        "M1e1 1E1L2e+1,10 20 20 10 20"}) {
    SCOPED_TRACE(d);
    const auto doc = Parse(std::string("<path d=\"") + d + "\"/>");
    ASSERT_EQ(doc.shapes.size(), 1u);
    ASSERT_EQ(doc.shapes[0].contours.size(), 1u);
    ExpectNear(doc.shapes[0].contours[0], square);
  }
}

TEST(SvgParser, NumbersRunTogether) {
  const auto doc = Parse("<path d=\"M1.5.5L-1e1-2l.5-.5\"/>");
  ASSERT_EQ(doc.shapes.size(), 1u);
  ExpectNear(doc.shapes[0].contours[0], {{1.5, 0.5}, {-10, -2}, {-9.5, -2.5}});
}

TEST(SvgParser, SubpathsAfterCloseStartAtTheSubpathStart) {
  const auto doc = Parse("<path d=\"M0 0 L10 0 L10 10 Z L0 10 L5 5 z M50 50 l1 1 l-1 1\"/>");
  ASSERT_EQ(doc.shapes.size(), 1u);
  ASSERT_EQ(doc.shapes[0].contours.size(), 3u);
  ExpectNear(doc.shapes[0].contours[1], {{0, 0}, {0, 10}, {5, 5}});
  ExpectNear(doc.shapes[0].contours[2], {{50, 50}, {51, 51}, {50, 52}});
}

TEST(SvgParser, SmoothCurvesReflectTheLastControlPoint) {
  const auto a = Parse("<path d=\"M0 0 C0 10 10 10 10 0 S20 -10 20 0\"/>");
  const auto b = Parse("<path d=\"M0 0 C0 10 10 10 10 0 C10 -10 20 -10 20 0\"/>");
  const auto c = Parse("<path d=\"m0 0 c0 10 10 10 10 0 s10 -10 10 0\"/>");
  ASSERT_EQ(a.shapes.size(), 1u);
  ASSERT_EQ(b.shapes.size(), 1u);
  ExpectNear(a.shapes[0].contours[0], b.shapes[0].contours[0]);
  ExpectNear(c.shapes[0].contours[0], b.shapes[0].contours[0]);

  const auto q = Parse("<path d=\"M0 0 Q5 10 10 0 T20 0\"/>");
  const auto qq = Parse("<path d=\"M0 0 Q5 10 10 0 Q15 -10 20 0\"/>");
  ExpectNear(q.shapes[0].contours[0], qq.shapes[0].contours[0]);
  // S after a line uses the current point as its first control point.
  const auto s = Parse("<path d=\"M0 0 L5 5 S10 10 20 0\"/>");
  const auto sc = Parse("<path d=\"M0 0 L5 5 C5 5 10 10 20 0\"/>");
  ExpectNear(s.shapes[0].contours[0], sc.shapes[0].contours[0]);
}

// The largest distance between the chords of a flattened curve and the curve itself.
double MaxChordError(const Contour& pts, const std::function<TPointF(double)>& curve, int samples) {
  double worst = 0;
  for (int k = 0; k <= samples; ++k) {
    const TPointF p = curve(double(k) / samples);
    double best = 1e9;
    for (size_t i = 0; i + 1 < pts.size(); ++i) {
      const double vx = pts[i + 1].x - pts[i].x, vy = pts[i + 1].y - pts[i].y;
      const double len2 = vx * vx + vy * vy;
      double t = len2 > 0 ? ((p.x - pts[i].x) * vx + (p.y - pts[i].y) * vy) / len2 : 0;
      t = std::clamp(t, 0.0, 1.0);
      best = std::min(best, std::hypot(p.x - (pts[i].x + t * vx), p.y - (pts[i].y + t * vy)));
    }
    worst = std::max(worst, best);
  }
  return worst;
}

TEST(SvgParser, CurvesAreFlattenedWithinTheTolerance) {
  const auto doc = ParseSvg("<svg viewBox='0 0 300 300'><path d='M0 0 C0 300 300 300 300 0'/></svg>", 0.1);
  ASSERT_TRUE(doc);
  const Contour& pts = doc->shapes.at(0).contours.at(0);
  EXPECT_NEAR(pts.back().x, 300, 1e-9);
  const auto cubic = [](double t) {
    const double u = 1 - t;
    return TPointF{3 * u * t * t * 300 + t * t * t * 300, 3 * u * u * t * 300 + 3 * u * t * t * 300};
  };
  EXPECT_LE(MaxChordError(pts, cubic, 2000), 0.1);
  EXPECT_LT(pts.size(), 200u);  // and not absurdly fine
}

TEST(SvgParser, ArcsFollowTheirCircle) {
  const struct {
    const char* d;
    double cy;  // centre (10, cy), radius 10
    double extremeY;
  } cases[] = {
      {"M0 0 A10 10 0 0 1 20 0", 0, -10},
      {"M0 0 A10 10 0 0 0 20 0", 0, 10},
      {"M0 0a10 10 0 0120 0", 0, -10},      // flags without separators
      {"M0 0 A1 1 0 0 1 20 0", 0, -10},     // radius too small: scaled up to fit
      {"M0 0 A10 10 0 1 1 10 10", 0, -10},  // large arc: three quarters round (10, 0)
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.d);
    const auto doc = Parse(std::string("<path d=\"") + c.d + "\"/>");
    ASSERT_EQ(doc.shapes.size(), 1u);
    const Contour& pts = doc.shapes[0].contours[0];
    ASSERT_GT(pts.size(), 4u);
    double minY = 1e9, maxY = -1e9;
    for (const TPointF& p : pts) {
      EXPECT_NEAR(std::hypot(p.x - 10, p.y - c.cy), 10, 1e-6);
      minY = std::min(minY, p.y), maxY = std::max(maxY, p.y);
    }
    EXPECT_NEAR(c.extremeY < 0 ? minY : maxY, c.extremeY, 0.2);
  }
  // A zero radius draws a line.
  const auto line = Parse("<path d=\"M0 0 A0 5 0 0 1 20 0 L20 5\"/>");
  ExpectNear(line.shapes[0].contours[0], {{0, 0}, {20, 0}, {20, 5}});
}

TEST(SvgParser, BasicShapes) {
  const auto doc = Parse(
      "<rect x='1' y='2' width='3' height='4'/>"
      "<polygon points='0,0 10,0 5,8'/>"
      "<circle cx='50' cy='50' r='20'/>"
      "<rect x='0' y='0' width='40' height='20' rx='5'/>"
      "<rect width='0' height='5'/><circle r='0'/>");
  ASSERT_EQ(doc.shapes.size(), 4u);
  ExpectNear(doc.shapes[0].contours[0], {{1, 2}, {4, 2}, {4, 6}, {1, 6}});
  ExpectNear(doc.shapes[1].contours[0], {{0, 0}, {10, 0}, {5, 8}});
  const Contour& circle = doc.shapes[2].contours[0];
  ASSERT_GE(circle.size(), 8u);
  EXPECT_NEAR(circle[0].x, 70, 1e-9);
  for (const TPointF& p : circle) EXPECT_NEAR(std::hypot(p.x - 50, p.y - 50), 20, 1e-9);
  // Rounded rectangle: inside its box, corners cut.
  for (const TPointF& p : doc.shapes[3].contours[0]) {
    EXPECT_GE(p.x, -1e-9); EXPECT_LE(p.x, 40 + 1e-9);
    EXPECT_GE(p.y, -1e-9); EXPECT_LE(p.y, 20 + 1e-9);
    EXPECT_GE(std::hypot(p.x, p.y), 5 * (std::sqrt(2.0) - 1) - 1e-9);  // never the sharp corner
  }
}

TEST(SvgParser, FillsInheritAndStylesWin) {
  const auto doc = Parse(
      "<g fill='#32A3F2'>"
      "  <rect width='1' height='1'/>"
      "  <rect width='1' height='1' fill='#fff'/>"
      "  <rect width='1' height='1' fill='red' style='fill: rgb(1, 2, 3)'/>"
      "  <rect width='1' height='1' fill='none'/>"
      "  <g style='fill:#000000;fill-rule:evenodd'><rect width='1' height='1'/></g>"
      "  <rect width='1' height='1' fill='bogus'/>"
      "</g>"
      "<defs><rect width='1' height='1' fill='#123456'/></defs>"
      "<rect width='1' height='1' display='none'/>"
      "<rect width='1' height='1'/>");
  std::vector<TRgb> fills;
  for (const auto& s : doc.shapes) fills.push_back(s.fill);
  EXPECT_EQ(fills, (std::vector<TRgb>{0x32A3F2, 0xFFFFFF, 0x010203, 0x000000, 0x32A3F2, 0x000000}));
  ASSERT_EQ(doc.shapes.size(), 6u);
  EXPECT_TRUE(doc.shapes[3].evenOdd);
  EXPECT_FALSE(doc.shapes[0].evenOdd);
}

TEST(SvgParser, TransformsCompose) {
  const auto doc = Parse(
      "<g transform='translate(10,20) scale(2)'><rect width='1' height='1'/>"
      "<g transform='rotate(90)'><rect width='1' height='1'/></g></g>"
      "<rect width='1' height='1' transform='matrix(1 0 0 1 5 5)'/>");
  ASSERT_EQ(doc.shapes.size(), 3u);
  ExpectNear(doc.shapes[0].contours[0], {{10, 20}, {12, 20}, {12, 22}, {10, 22}});
  ExpectNear(doc.shapes[1].contours[0], {{10, 20}, {10, 22}, {8, 22}, {8, 20}});
  ExpectNear(doc.shapes[2].contours[0], {{5, 5}, {6, 5}, {6, 6}, {5, 6}});
}

TEST(SvgParser, DocumentsAndTheirEdges) {
  EXPECT_FALSE(ParseSvg(""));
  EXPECT_FALSE(ParseSvg("<html><rect width='1' height='1'/></html>"));
  EXPECT_FALSE(ParseSvg("not xml at all <<<"));

  const auto doc = ParseSvg(
      "\xEF\xBB\xBF<?xml version='1.0'?>\n<!DOCTYPE svg [ <!ENTITY x 'y'> ]>\n<!-- <svg> in a comment -->"
      "<svg:svg xmlns:svg='http://www.w3.org/2000/svg' viewBox='-10,-10 20 20'><![CDATA[<rect/>]]>"
      "<svg:rect width='1' height='1'/><title>Logo</title></svg:svg><rect width='5' height='5'/>");
  ASSERT_TRUE(doc);
  EXPECT_EQ(doc->viewX, -10);
  EXPECT_EQ(doc->viewWidth, 20);
  EXPECT_EQ(doc->shapes.size(), 1u);  // nothing after the root element

  const auto sized = ParseSvg("<svg width='64px' height='32'/>");
  ASSERT_TRUE(sized);
  EXPECT_EQ(sized->viewWidth, 64);
  EXPECT_EQ(sized->viewHeight, 32);

  // A broken path keeps what came before the error; a cut-off document keeps what it has.
  const auto broken = Parse("<path d='M0 0 L10 0 L10 10 X 5 5 L0 10'/>");
  ExpectNear(broken.shapes.at(0).contours.at(0), {{0, 0}, {10, 0}, {10, 10}});
  const auto cut = ParseSvg("<svg viewBox='0 0 1 1'><rect width='1' height='1'/><rect width='2");
  ASSERT_TRUE(cut);
  EXPECT_EQ(cut->shapes.size(), 1u);
}

TEST(SvgParser, HostileSizesAreBounded) {
  std::string arcs = "<svg viewBox='0 0 1 1'><path d='M0 0";
  for (int i = 0; i < 20000; ++i) arcs += " A1e9 1e9 0 1 1 " + std::to_string(i % 2) + " 0";
  arcs += "'/></svg>";
  const auto doc = ParseSvg(arcs, 1e-9);
  ASSERT_TRUE(doc);
  size_t points = 0;
  for (const auto& s : doc->shapes)
    for (const auto& c : s.contours) points += c.size();
  EXPECT_LE(points, 1'000'000u);

  // A near-infinite transform asks for absurd segment counts; they are capped.
  const auto skewed = ParseSvg(
      "<svg><g transform='skewX(90)'><path d='M0 0 C0 10 10 10 10 0 Q5 5 0 0'/><circle r='5'/>"
      "<rect width='5' height='5' rx='1'/><path d='M0 0 A5 5 0 0 1 10 0'/></g>"
      "<path d='M0 0 C1e300 1e300 -1e300 1e300 0 1'/><circle r='1e308' fill='rgb(1e300,-1e300,5)'/></svg>");
  ASSERT_TRUE(skewed);
  for (const auto& s : skewed->shapes)
    for (const auto& c : s.contours) EXPECT_LE(c.size(), 4100u);
  EXPECT_EQ(skewed->shapes.back().fill, 0xFF0005u);

  std::string deep = "<svg>";
  for (int i = 0; i < 100000; ++i) deep += "<g>";
  EXPECT_TRUE(ParseSvg(deep));
}

std::string SourceDir() {
  if (const char* dir = std::getenv("SWIFTLANE_SOURCE_DIR"); dir && *dir) return dir;
  std::string here = __FILE__;
  for (int up = 0; up < 3; ++up) here = here.substr(0, here.find_last_of("/\\"));
  return here;
}

TEST(SvgParser, ShippedLogo) {
  std::ifstream in(SourceDir() + "/resources/logo.svg", std::ios::binary);
  const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  ASSERT_FALSE(text.empty());
  const auto doc = ParseSvg(text);
  ASSERT_TRUE(doc);
  EXPECT_EQ(doc->viewX, 0);
  EXPECT_EQ(doc->viewY, 0);
  EXPECT_EQ(doc->viewWidth, 287.985);
  EXPECT_EQ(doc->viewHeight, 92.996);
  std::set<TRgb> fills;
  for (const auto& shape : doc->shapes) {
    fills.insert(shape.fill);
    for (const auto& contour : shape.contours) {
      EXPECT_GE(contour.size(), 3u);
      for (const TPointF& p : contour) {
        EXPECT_GE(p.x, -1e-6);
        EXPECT_LE(p.x, 287.985 + 1e-6);
        EXPECT_GE(p.y, -1e-6);
        EXPECT_LE(p.y, 92.996 + 1e-6);
      }
    }
  }
  EXPECT_EQ(fills, (std::set<TRgb>{0x32A3F2, 0xFFFFFF}));
  EXPECT_GT(doc->shapes.size(), 10u);  // the badge, its mark and the letters
}

TEST(SvgFit, KeepsProportionsAndCentres) {
  TSvgDocument logo;
  logo.viewWidth = 287.985, logo.viewHeight = 92.996;
  const TFitTransform t = FitViewBox(logo, 3, 0, 112, 50);
  EXPECT_NEAR(t.scale, 112 / 287.985, 1e-12);
  const TPointF topLeft = t.Apply({0, 0}), bottomRight = t.Apply({287.985, 92.996});
  EXPECT_NEAR(topLeft.x, 3, 1e-9);
  EXPECT_NEAR(bottomRight.x, 115, 1e-9);
  EXPECT_NEAR(topLeft.y, 50 - bottomRight.y, 1e-9);  // centred vertically
  EXPECT_NEAR(bottomRight.y - topLeft.y, 92.996 * 112 / 287.985, 1e-9);

  TSvgDocument tall;
  tall.viewX = -10, tall.viewY = -10, tall.viewWidth = 20, tall.viewHeight = 40;
  const TFitTransform u = FitViewBox(tall, 0, 0, 100, 40);
  EXPECT_EQ(u.scale, 1);
  EXPECT_NEAR(u.Apply({-10, -10}).x, 40, 1e-12);
  EXPECT_NEAR(u.Apply({-10, -10}).y, 0, 1e-12);

  const TFitTransform none = FitViewBox(TSvgDocument{}, 5, 6, 10, 10);
  EXPECT_EQ(none.scale, 1);
  EXPECT_EQ(none.Apply({0, 0}), (TPointF{5, 6}));
}

}  // namespace
}  // namespace swiftlane::ui
