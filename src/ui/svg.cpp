#include "ui/svg.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <string>

namespace swiftlane::ui {
namespace {

constexpr double kPi = 3.14159265358979323846;
// Bounds that keep a hostile document from eating the machine.
constexpr size_t kMaxPoints = 1'000'000;
constexpr size_t kMaxDepth = 256;
constexpr int kMaxSegmentsPerCurve = 1000;

struct Matrix {
  double a = 1, b = 0, c = 0, d = 1, e = 0, f = 0;  // x' = a x + c y + e, y' = b x + d y + f
  TPointF Apply(TPointF p) const { return {a * p.x + c * p.y + e, b * p.x + d * p.y + f}; }
  Matrix Then(const Matrix& m) const {  // this first, then m
    return {m.a * a + m.c * b, m.b * a + m.d * b, m.a * c + m.c * d, m.b * c + m.d * d,
            m.a * e + m.c * f + m.e, m.b * e + m.d * f + m.f};
  }
  double MaxScale() const { return std::max(std::hypot(a, b), std::hypot(c, d)); }
};

bool IsWs(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

bool EqualsNoCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    char x = a[i], y = b[i];
    if (x >= 'A' && x <= 'Z') x = char(x + 32);
    if (y >= 'A' && y <= 'Z') y = char(y + 32);
    if (x != y) return false;
  }
  return true;
}

std::string_view Trim(std::string_view s) {
  while (!s.empty() && IsWs(s.front())) s.remove_prefix(1);
  while (!s.empty() && IsWs(s.back())) s.remove_suffix(1);
  return s;
}

// Reads numbers in the SVG grammar: "1.5.5" is 1.5 then .5, "1e2-3" is 100 then -3; commas
// and white space separate.
class NumberReader {
 public:
  explicit NumberReader(std::string_view s) : s_(s) {}
  void SkipSeparators() {
    while (i_ < s_.size() && (IsWs(s_[i_]) || s_[i_] == ',')) ++i_;
  }
  bool AtEnd() {
    SkipSeparators();
    return i_ >= s_.size();
  }
  char Peek() {
    SkipSeparators();
    return i_ < s_.size() ? s_[i_] : '\0';
  }
  void Skip() { ++i_; }
  bool StartsNumber() {
    const char c = Peek();
    return (c >= '0' && c <= '9') || c == '.' || c == '-' || c == '+';
  }
  bool Number(double& out) {
    SkipSeparators();
    size_t j = i_;
    if (j < s_.size() && (s_[j] == '+' || s_[j] == '-')) ++j;
    size_t digits = 0;
    while (j < s_.size() && s_[j] >= '0' && s_[j] <= '9') ++j, ++digits;
    if (j < s_.size() && s_[j] == '.') {
      ++j;
      while (j < s_.size() && s_[j] >= '0' && s_[j] <= '9') ++j, ++digits;
    }
    if (digits == 0) return false;
    if (j < s_.size() && (s_[j] == 'e' || s_[j] == 'E')) {
      size_t k = j + 1;
      if (k < s_.size() && (s_[k] == '+' || s_[k] == '-')) ++k;
      if (k < s_.size() && s_[k] >= '0' && s_[k] <= '9') {
        while (k < s_.size() && s_[k] >= '0' && s_[k] <= '9') ++k;
        j = k;
      }
    }
    const std::string text(s_.substr(i_, j - i_));
    out = std::strtod(text.c_str(), nullptr);
    if (!std::isfinite(out)) return false;
    i_ = j;
    return true;
  }
  // Arc flags are a single 0 or 1, with or without a separator after them.
  bool Flag(bool& out) {
    const char c = Peek();
    if (c != '0' && c != '1') return false;
    out = c == '1';
    ++i_;
    return true;
  }
  std::string_view Rest() const { return s_.substr(std::min(i_, s_.size())); }
  void SkipTo(size_t i) { i_ = i; }
  size_t Pos() const { return i_; }

 private:
  std::string_view s_;
  size_t i_ = 0;
};

double Length(std::string_view s, double fallback = 0) {
  NumberReader r(s);
  double v;
  return r.Number(v) ? v : fallback;
}

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// A paint: nothing for "none", or a colour. A value that cannot be read leaves the
// inherited paint.
struct Paint {
  bool none = false;
  TRgb rgb = 0;
};

std::optional<Paint> ParsePaint(std::string_view v) {
  v = Trim(v);
  if (EqualsNoCase(v, "none") || EqualsNoCase(v, "transparent")) return Paint{true, 0};
  if (!v.empty() && v[0] == '#') {
    const std::string_view hex = v.substr(1);
    if (hex.size() != 3 && hex.size() != 6) return std::nullopt;
    TRgb rgb = 0;
    for (char c : hex) {
      const int d = HexValue(c);
      if (d < 0) return std::nullopt;
      rgb = (rgb << 4) | TRgb(d);
      if (hex.size() == 3) rgb = (rgb << 4) | TRgb(d);
    }
    return Paint{false, rgb};
  }
  if (v.size() > 4 && EqualsNoCase(v.substr(0, 4), "rgb(") && v.back() == ')') {
    NumberReader r(v.substr(4, v.size() - 5));
    TRgb rgb = 0;
    for (int k = 0; k < 3; ++k) {
      double c;
      if (!r.Number(c)) return std::nullopt;
      if (r.Peek() == '%') r.Skip(), c = c * 255 / 100;
      rgb = (rgb << 8) | TRgb(std::lround(std::clamp(c, 0.0, 255.0)));
    }
    return Paint{false, rgb};
  }
  static constexpr struct {
    std::string_view name;
    TRgb rgb;
  } kNamed[] = {{"black", 0x000000}, {"white", 0xFFFFFF}, {"red", 0xFF0000},   {"green", 0x008000},
                {"blue", 0x0000FF},  {"gray", 0x808080},  {"grey", 0x808080},  {"silver", 0xC0C0C0},
                {"yellow", 0xFFFF00}, {"currentColor", 0x000000}};
  for (const auto& n : kNamed) {
    if (EqualsNoCase(v, n.name)) return Paint{false, n.rgb};
  }
  return std::nullopt;
}

std::optional<Matrix> ParseTransform(std::string_view s) {
  Matrix m;
  size_t i = 0;
  while (true) {
    while (i < s.size() && (IsWs(s[i]) || s[i] == ',')) ++i;
    if (i >= s.size()) return m;
    const size_t open = s.find('(', i);
    if (open == std::string_view::npos) return std::nullopt;
    const size_t close = s.find(')', open);
    if (close == std::string_view::npos) return std::nullopt;
    const std::string_view name = Trim(s.substr(i, open - i));
    NumberReader r(s.substr(open + 1, close - open - 1));
    double v[6];
    int n = 0;
    while (n < 6 && r.Number(v[n])) ++n;
    if (!r.AtEnd()) return std::nullopt;
    Matrix t;
    if (name == "matrix" && n == 6) {
      t = {v[0], v[1], v[2], v[3], v[4], v[5]};
    } else if (name == "translate" && (n == 1 || n == 2)) {
      t.e = v[0], t.f = n == 2 ? v[1] : 0;
    } else if (name == "scale" && (n == 1 || n == 2)) {
      t.a = v[0], t.d = n == 2 ? v[1] : v[0];
    } else if (name == "rotate" && (n == 1 || n == 3)) {
      const double r = v[0] * kPi / 180, cs = std::cos(r), sn = std::sin(r);
      t = {cs, sn, -sn, cs, 0, 0};
      if (n == 3) {
        const Matrix to{1, 0, 0, 1, -v[1], -v[2]}, back{1, 0, 0, 1, v[1], v[2]};
        t = to.Then(t).Then(back);
      }
    } else if (name == "skewX" && n == 1) {
      t.c = std::tan(v[0] * kPi / 180);
    } else if (name == "skewY" && n == 1) {
      t.b = std::tan(v[0] * kPi / 180);
    } else {
      return std::nullopt;
    }
    // The rightmost transform applies first.
    m = t.Then(m);
    i = close + 1;
  }
}

struct Attribute {
  std::string_view name, value;
};

struct Style {
  Paint fill{false, 0x000000};
  bool evenOdd = false;
  Matrix matrix;
  bool hidden = false;  // inside <defs> and the like
};

class Builder {
 public:
  Builder(double tolerance, const Matrix& m, std::vector<TSvgShape>& out, size_t& budget)
      : tol_(tolerance > 1e-6 ? tolerance : 1e-6), m_(m), out_(out), budget_(budget) {}

  void MoveTo(TPointF p) {
    FlushContour();
    current_ = start_ = p;
    contour_.push_back(p);
  }
  void LineTo(TPointF p) {
    if (contour_.size() + 2 > budget_) {
      exhausted_ = true;
      return;
    }
    if (contour_.empty()) contour_.push_back(current_);
    contour_.push_back(p);
    current_ = p;
  }
  void Close() {
    FlushContour();
    current_ = start_;
  }
  void CubicTo(TPointF c1, TPointF c2, TPointF p) {
    const TPointF p0 = current_;
    const double mx = std::max(std::hypot(p0.x - 2 * c1.x + c2.x, p0.y - 2 * c1.y + c2.y),
                               std::hypot(c1.x - 2 * c2.x + p.x, c1.y - 2 * c2.y + p.y));
    const int n = Segments(std::sqrt(0.75 * mx * Scale() / tol_));
    for (int k = 1; k <= n; ++k) {
      const double t = double(k) / n, u = 1 - t;
      LineTo({u * u * u * p0.x + 3 * u * u * t * c1.x + 3 * u * t * t * c2.x + t * t * t * p.x,
              u * u * u * p0.y + 3 * u * u * t * c1.y + 3 * u * t * t * c2.y + t * t * t * p.y});
    }
    current_ = p;
  }
  void QuadTo(TPointF c, TPointF p) {
    const TPointF p0 = current_;
    const double mx = std::hypot(p0.x - 2 * c.x + p.x, p0.y - 2 * c.y + p.y);
    const int n = Segments(std::sqrt(0.25 * mx * Scale() / tol_));
    for (int k = 1; k <= n; ++k) {
      const double t = double(k) / n, u = 1 - t;
      LineTo({u * u * p0.x + 2 * u * t * c.x + t * t * p.x, u * u * p0.y + 2 * u * t * c.y + t * t * p.y});
    }
    current_ = p;
  }
  // Endpoint arc, converted to its centre form.
  void ArcTo(double rx, double ry, double rotation, bool large, bool sweep, TPointF p) {
    const TPointF p0 = current_;
    if (p0 == p) return;
    rx = std::fabs(rx), ry = std::fabs(ry);
    if (rx < 1e-12 || ry < 1e-12) return LineTo(p);
    const double phi = rotation * kPi / 180, cs = std::cos(phi), sn = std::sin(phi);
    const double hx = (p0.x - p.x) / 2, hy = (p0.y - p.y) / 2;
    const double x1 = cs * hx + sn * hy, y1 = -sn * hx + cs * hy;
    const double lambda = (x1 * x1) / (rx * rx) + (y1 * y1) / (ry * ry);
    if (lambda > 1) rx *= std::sqrt(lambda), ry *= std::sqrt(lambda);
    const double num = rx * rx * ry * ry - rx * rx * y1 * y1 - ry * ry * x1 * x1;
    const double den = rx * rx * y1 * y1 + ry * ry * x1 * x1;
    double k = den > 0 ? std::sqrt(std::max(0.0, num / den)) : 0;
    if (large == sweep) k = -k;
    const double cx1 = k * rx * y1 / ry, cy1 = -k * ry * x1 / rx;
    const double cx = cs * cx1 - sn * cy1 + (p0.x + p.x) / 2, cy = sn * cx1 + cs * cy1 + (p0.y + p.y) / 2;
    const auto angle = [](double ux, double uy, double vx, double vy) {
      return std::atan2(ux * vy - uy * vx, ux * vx + uy * vy);
    };
    const double ux = (x1 - cx1) / rx, uy = (y1 - cy1) / ry, vx = (-x1 - cx1) / rx, vy = (-y1 - cy1) / ry;
    const double theta = angle(1, 0, ux, uy);
    double delta = angle(ux, uy, vx, vy);
    if (!sweep && delta > 0) delta -= 2 * kPi;
    if (sweep && delta < 0) delta += 2 * kPi;
    const int n = ArcSegments(std::max(rx, ry), std::fabs(delta));
    for (int s = 1; s < n; ++s) {
      const double a = theta + delta * s / n;
      const double ex = rx * std::cos(a), ey = ry * std::sin(a);
      LineTo({cs * ex - sn * ey + cx, sn * ex + cs * ey + cy});
    }
    LineTo(p);
  }
  void Ellipse(double cx, double cy, double rx, double ry) {
    if (rx <= 0 || ry <= 0) return;
    const int n = std::max(8, ArcSegments(std::max(rx, ry), 2 * kPi));
    MoveTo({cx + rx, cy});
    for (int s = 1; s < n && !exhausted_; ++s) {
      const double a = 2 * kPi * s / n;
      LineTo({cx + rx * std::cos(a), cy + ry * std::sin(a)});
    }
    Close();
  }
  TPointF Current() const { return current_; }
  void Finish(const Style& style) {
    FlushContour();
    if (!style.fill.none && !contours_.empty() && !style.hidden) {
      out_.push_back(TSvgShape{style.fill.rgb, style.evenOdd, std::move(contours_)});
    }
    contours_.clear();
  }
  bool OverBudget() const { return exhausted_ || budget_ == 0; }

 private:
  double Scale() const { return std::max(m_.MaxScale(), 1e-9); }
  int Segments(double estimate) const {
    // Clamped before the conversion: a huge curve must not overflow the count.
    if (!(estimate < kMaxSegmentsPerCurve)) return kMaxSegmentsPerCurve;
    if (!(estimate > 1)) return 1;
    return static_cast<int>(std::ceil(estimate));
  }
  int ArcSegments(double radius, double sweep) const {
    const double r = radius * Scale();
    const double step = r > tol_ ? 2 * std::acos(1 - tol_ / r) : kPi / 2;
    return Segments(sweep / std::max(step, 1e-3));
  }
  void FlushContour() {
    if (contour_.size() >= 2) {
      std::vector<TPointF> pts;
      pts.reserve(contour_.size());
      for (const TPointF& p : contour_) {
        if (budget_ == 0) break;
        --budget_;
        pts.push_back(m_.Apply(p));
      }
      contours_.push_back(std::move(pts));
    }
    contour_.clear();
  }

  double tol_;
  Matrix m_;
  std::vector<TSvgShape>& out_;
  size_t& budget_;
  std::vector<std::vector<TPointF>> contours_;
  std::vector<TPointF> contour_;
  TPointF current_, start_;
  bool exhausted_ = false;
};

void BuildPath(Builder& b, std::string_view d) {
  NumberReader r(d);
  char cmd = 0;
  TPointF lastControl;
  char lastCmd = 0;
  while (!r.AtEnd() && !b.OverBudget()) {
    const char c = r.Peek();
    if ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z')) {
      cmd = c;
      r.Skip();
      if (cmd == 'Z' || cmd == 'z') {
        b.Close();
        lastCmd = cmd;
        continue;
      }
    } else if (!r.StartsNumber() || cmd == 0 || cmd == 'Z' || cmd == 'z') {
      return;  // an error ends the path; what came before it stays
    }
    const bool rel = cmd >= 'a';
    const TPointF cur = b.Current();
    const auto pt = [&](double x, double y) { return rel ? TPointF{cur.x + x, cur.y + y} : TPointF{x, y}; };
    double v[7];
    const auto numbers = [&](int n) {
      for (int k = 0; k < n; ++k) {
        if (!r.Number(v[k])) return false;
      }
      return true;
    };
    const char up = static_cast<char>(rel ? cmd - 32 : cmd);
    switch (up) {
      case 'M':
        if (!numbers(2)) return;
        b.MoveTo(pt(v[0], v[1]));
        cmd = rel ? 'l' : 'L';  // further pairs are lines
        break;
      case 'L':
        if (!numbers(2)) return;
        b.LineTo(pt(v[0], v[1]));
        break;
      case 'H':
        if (!numbers(1)) return;
        b.LineTo({rel ? cur.x + v[0] : v[0], cur.y});
        break;
      case 'V':
        if (!numbers(1)) return;
        b.LineTo({cur.x, rel ? cur.y + v[0] : v[0]});
        break;
      case 'C': {
        if (!numbers(6)) return;
        const TPointF c2 = pt(v[2], v[3]);
        b.CubicTo(pt(v[0], v[1]), c2, pt(v[4], v[5]));
        lastControl = c2;
        break;
      }
      case 'S': {
        if (!numbers(4)) return;
        const bool follows = lastCmd == 'C' || lastCmd == 'c' || lastCmd == 'S' || lastCmd == 's';
        const TPointF c1 = follows ? TPointF{2 * cur.x - lastControl.x, 2 * cur.y - lastControl.y} : cur;
        const TPointF c2 = pt(v[0], v[1]);
        b.CubicTo(c1, c2, pt(v[2], v[3]));
        lastControl = c2;
        break;
      }
      case 'Q': {
        if (!numbers(4)) return;
        const TPointF c1 = pt(v[0], v[1]);
        b.QuadTo(c1, pt(v[2], v[3]));
        lastControl = c1;
        break;
      }
      case 'T': {
        if (!numbers(2)) return;
        const bool follows = lastCmd == 'Q' || lastCmd == 'q' || lastCmd == 'T' || lastCmd == 't';
        const TPointF c1 = follows ? TPointF{2 * cur.x - lastControl.x, 2 * cur.y - lastControl.y} : cur;
        b.QuadTo(c1, pt(v[0], v[1]));
        lastControl = c1;
        break;
      }
      case 'A': {
        bool large, sweep;
        if (!numbers(3) || !r.Flag(large) || !r.Flag(sweep) || !r.Number(v[3]) || !r.Number(v[4])) return;
        b.ArcTo(v[0], v[1], v[2], large, sweep, pt(v[3], v[4]));
        break;
      }
      default:
        return;  // an unknown command ends the path
    }
    lastCmd = (up == 'M') ? 'M' : cmd;
  }
}

void BuildPoints(Builder& b, std::string_view points, bool close) {
  NumberReader r(points);
  double x, y;
  bool first = true;
  while (r.Number(x) && r.Number(y)) {
    if (first) b.MoveTo({x, y}); else b.LineTo({x, y});
    first = false;
  }
  if (close) b.Close();
}

// The next tag of the document: its name, attributes, and whether it closes or is empty.
struct Tag {
  std::string_view name;
  std::vector<Attribute> attributes;
  bool closing = false;
  bool selfClosing = false;
};

class XmlReader {
 public:
  explicit XmlReader(std::string_view s) : s_(s) {}
  // False at the end of the document or at a tag that cannot be read.
  bool Next(Tag& tag) {
    while (true) {
      const size_t lt = s_.find('<', i_);
      if (lt == std::string_view::npos) return false;
      i_ = lt;
      if (Starts("<!--")) {
        if (!SkipPast("-->")) return false;
      } else if (Starts("<![CDATA[")) {
        if (!SkipPast("]]>")) return false;
      } else if (Starts("<?")) {
        if (!SkipPast("?>")) return false;
      } else if (Starts("<!")) {
        if (!SkipDeclaration()) return false;
      } else {
        return ReadTag(tag);
      }
    }
  }

 private:
  bool Starts(std::string_view p) const { return s_.substr(i_, p.size()) == p; }
  bool SkipPast(std::string_view end) {
    const size_t e = s_.find(end, i_);
    if (e == std::string_view::npos) return false;
    i_ = e + end.size();
    return true;
  }
  bool SkipDeclaration() {
    int bracket = 0;
    for (++i_; i_ < s_.size(); ++i_) {
      if (s_[i_] == '[') ++bracket;
      else if (s_[i_] == ']') --bracket;
      else if (s_[i_] == '>' && bracket <= 0) {
        ++i_;
        return true;
      }
    }
    return false;
  }
  static bool NameChar(char c) { return !IsWs(c) && c != '/' && c != '>' && c != '=' && c != '<'; }
  bool ReadTag(Tag& tag) {
    tag = Tag{};
    ++i_;
    if (i_ < s_.size() && s_[i_] == '/') tag.closing = true, ++i_;
    const size_t n0 = i_;
    while (i_ < s_.size() && NameChar(s_[i_])) ++i_;
    tag.name = s_.substr(n0, i_ - n0);
    if (tag.name.empty()) return false;
    while (true) {
      while (i_ < s_.size() && IsWs(s_[i_])) ++i_;
      if (i_ >= s_.size()) return false;
      if (s_[i_] == '>') {
        ++i_;
        return true;
      }
      if (s_[i_] == '/') {
        if (i_ + 1 < s_.size() && s_[i_ + 1] == '>') {
          tag.selfClosing = true;
          i_ += 2;
          return true;
        }
        return false;
      }
      const size_t a0 = i_;
      while (i_ < s_.size() && NameChar(s_[i_])) ++i_;
      const std::string_view name = s_.substr(a0, i_ - a0);
      if (name.empty()) return false;
      while (i_ < s_.size() && IsWs(s_[i_])) ++i_;
      if (i_ >= s_.size() || s_[i_] != '=') return false;
      ++i_;
      while (i_ < s_.size() && IsWs(s_[i_])) ++i_;
      if (i_ >= s_.size() || (s_[i_] != '"' && s_[i_] != '\'')) return false;
      const char quote = s_[i_++];
      const size_t end = s_.find(quote, i_);
      if (end == std::string_view::npos) return false;
      tag.attributes.push_back({name, s_.substr(i_, end - i_)});
      i_ = end + 1;
    }
  }

  std::string_view s_;
  size_t i_ = 0;
};

// A local name: "svg:path" is "path".
std::string_view LocalName(std::string_view name) {
  const size_t colon = name.rfind(':');
  return colon == std::string_view::npos ? name : name.substr(colon + 1);
}

void ApplyProperty(Style& style, std::string_view name, std::string_view value) {
  name = Trim(name);
  if (name == "fill") {
    if (const auto p = ParsePaint(value)) style.fill = *p;
  } else if (name == "fill-rule") {
    style.evenOdd = Trim(value) == "evenodd";
  } else if (name == "display" || name == "visibility") {
    const std::string_view v = Trim(value);
    if (v == "none" || v == "hidden" || v == "collapse") style.hidden = true;
  }
}

void ApplyAttributes(Style& style, const Tag& tag) {
  const std::string_view* css = nullptr;
  for (const Attribute& a : tag.attributes) {
    if (a.name == "style") {
      css = &a.value;
    } else if (a.name == "transform") {
      if (const auto m = ParseTransform(a.value)) style.matrix = m->Then(style.matrix);
    } else {
      ApplyProperty(style, a.name, a.value);
    }
  }
  // Declarations of the style attribute win over presentation attributes.
  if (css) {
    std::string_view rest = *css;
    while (!rest.empty()) {
      const size_t semi = rest.find(';');
      const std::string_view decl = rest.substr(0, semi);
      const size_t colon = decl.find(':');
      if (colon != std::string_view::npos) ApplyProperty(style, decl.substr(0, colon), decl.substr(colon + 1));
      if (semi == std::string_view::npos) break;
      rest.remove_prefix(semi + 1);
    }
  }
}

std::string_view Attr(const Tag& tag, std::string_view name) {
  for (const Attribute& a : tag.attributes) {
    if (a.name == name) return a.value;
  }
  return {};
}

void BuildShape(std::string_view kind, const Tag& tag, const Style& style, double tolerance,
                std::vector<TSvgShape>& out, size_t& budget) {
  Builder b(tolerance, style.matrix, out, budget);
  if (kind == "path") {
    BuildPath(b, Attr(tag, "d"));
  } else if (kind == "polygon" || kind == "polyline") {
    BuildPoints(b, Attr(tag, "points"), true);
  } else if (kind == "rect") {
    const double x = Length(Attr(tag, "x")), y = Length(Attr(tag, "y"));
    const double w = Length(Attr(tag, "width")), h = Length(Attr(tag, "height"));
    if (!(w > 0) || !(h > 0)) return;
    double rx = Length(Attr(tag, "rx"), -1), ry = Length(Attr(tag, "ry"), -1);
    if (rx < 0) rx = ry;
    if (ry < 0) ry = rx;
    rx = std::clamp(rx, 0.0, w / 2), ry = std::clamp(ry, 0.0, h / 2);
    if (rx > 0 && ry > 0) {
      b.MoveTo({x + rx, y});
      b.LineTo({x + w - rx, y});
      b.ArcTo(rx, ry, 0, false, true, {x + w, y + ry});
      b.LineTo({x + w, y + h - ry});
      b.ArcTo(rx, ry, 0, false, true, {x + w - rx, y + h});
      b.LineTo({x + rx, y + h});
      b.ArcTo(rx, ry, 0, false, true, {x, y + h - ry});
      b.LineTo({x, y + ry});
      b.ArcTo(rx, ry, 0, false, true, {x + rx, y});
    } else {
      b.MoveTo({x, y});
      b.LineTo({x + w, y});
      b.LineTo({x + w, y + h});
      b.LineTo({x, y + h});
    }
    b.Close();
  } else if (kind == "circle") {
    const double r = Length(Attr(tag, "r"));
    b.Ellipse(Length(Attr(tag, "cx")), Length(Attr(tag, "cy")), r, r);
  } else if (kind == "ellipse") {
    b.Ellipse(Length(Attr(tag, "cx")), Length(Attr(tag, "cy")), Length(Attr(tag, "rx")), Length(Attr(tag, "ry")));
  } else {
    return;
  }
  b.Finish(style);
}

bool IsContainerThatHides(std::string_view kind) {
  return kind == "defs" || kind == "clipPath" || kind == "mask" || kind == "symbol" || kind == "pattern" ||
         kind == "marker" || kind == "linearGradient" || kind == "radialGradient" || kind == "title" ||
         kind == "desc" || kind == "metadata" || kind == "style" || kind == "filter";
}

}  // namespace

std::optional<TSvgDocument> ParseSvg(std::string_view text, double tolerance) {
  XmlReader xml(text);
  TSvgDocument doc;
  bool seenRoot = false;
  std::vector<Style> stack;
  size_t budget = kMaxPoints;
  Tag tag;
  while (xml.Next(tag)) {
    const std::string_view kind = LocalName(tag.name);
    if (tag.closing) {
      if (!stack.empty()) stack.pop_back();
      if (seenRoot && stack.empty()) break;  // the end of the root element
      continue;
    }
    if (!seenRoot) {
      if (kind != "svg") continue;
      seenRoot = true;
      NumberReader r(Attr(tag, "viewBox"));
      double v[4];
      if (r.Number(v[0]) && r.Number(v[1]) && r.Number(v[2]) && r.Number(v[3]) && v[2] > 0 && v[3] > 0) {
        doc.viewX = v[0], doc.viewY = v[1], doc.viewWidth = v[2], doc.viewHeight = v[3];
      } else {
        doc.viewWidth = Length(Attr(tag, "width")), doc.viewHeight = Length(Attr(tag, "height"));
      }
    }
    Style style = stack.empty() ? Style{} : stack.back();
    if (IsContainerThatHides(kind)) style.hidden = true;
    ApplyAttributes(style, tag);
    if (!style.hidden) BuildShape(kind, tag, style, tolerance, doc.shapes, budget);
    if (!tag.selfClosing) {
      if (stack.size() >= kMaxDepth) break;
      stack.push_back(style);
    } else if (stack.empty()) {
      break;  // an empty root element
    }
  }
  if (!seenRoot) return std::nullopt;
  return doc;
}

TFitTransform FitViewBox(const TSvgDocument& doc, double left, double top, double width, double height) {
  TFitTransform t;
  if (!(doc.viewWidth > 0) || !(doc.viewHeight > 0)) {
    t.dx = left - doc.viewX, t.dy = top - doc.viewY;
    return t;
  }
  t.scale = std::min(width / doc.viewWidth, height / doc.viewHeight);
  t.dx = left + (width - doc.viewWidth * t.scale) / 2 - doc.viewX * t.scale;
  t.dy = top + (height - doc.viewHeight * t.scale) / 2 - doc.viewY * t.scale;
  return t;
}

}  // namespace swiftlane::ui
