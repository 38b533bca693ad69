// Draws the program's pictures at build time: image 1 (one level up), image 2 (scan), image 3
// (scan, second picture while a scan runs) as 24-bit BMPs of 32 x 32 pixels for 96 dpi and of
// 40, 48 and 64 pixels for 120, 144 and 192 dpi (image<n>.bmp, image<n>_<dpi>.bmp), and the
// program icon from the scan picture in the sizes of small and large icons at those DPIs.
// Shapes are signed distance fields sampled 16 x 16 times per pixel and blended in linear
// light, so that edges are smooth at every size.
//
// Usage: mkimages <output directory>
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

namespace {

// ---- colours -----------------------------------------------------------------------------

struct Rgba {
  double r = 0, g = 0, b = 0, a = 0;  // linear light, straight alpha
};

double ToLinear(double s) {
  return s <= 0.04045 ? s / 12.92 : std::pow((s + 0.055) / 1.055, 2.4);
}
double ToSrgb(double l) {
  l = std::clamp(l, 0.0, 1.0);
  return l <= 0.0031308 ? l * 12.92 : 1.055 * std::pow(l, 1.0 / 2.4) - 0.055;
}

Rgba Hex(uint32_t rgb, double alpha = 1.0) {
  return Rgba{ToLinear(((rgb >> 16) & 0xFF) / 255.0), ToLinear(((rgb >> 8) & 0xFF) / 255.0),
              ToLinear((rgb & 0xFF) / 255.0), alpha};
}

Rgba Mix(const Rgba& a, const Rgba& b, double t) {
  t = std::clamp(t, 0.0, 1.0);
  return Rgba{a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t,
              a.a + (b.a - a.a) * t};
}

// Source over destination, straight alpha.
Rgba Over(const Rgba& dst, const Rgba& src) {
  const double a = src.a + dst.a * (1 - src.a);
  if (a <= 0) return Rgba{};
  auto ch = [&](double s, double d) { return (s * src.a + d * dst.a * (1 - src.a)) / a; };
  return Rgba{ch(src.r, dst.r), ch(src.g, dst.g), ch(src.b, dst.b), a};
}

// ---- shapes as signed distances (negative inside), in units of the 32 x 32 design ----------

struct P {
  double x, y;
};
using Sdf = std::function<double(P)>;

double Len(double x, double y) { return std::sqrt(x * x + y * y); }

double SegmentDistance(P p, P a, P b) {
  const double bx = b.x - a.x, by = b.y - a.y;
  const double t = std::clamp(((p.x - a.x) * bx + (p.y - a.y) * by) / (bx * bx + by * by), 0.0,
                              1.0);
  return Len(p.x - a.x - bx * t, p.y - a.y - by * t);
}

Sdf Circle(P c, double r) {
  return [=](P p) { return Len(p.x - c.x, p.y - c.y) - r; };
}

// A thick line with round ends.
Sdf Capsule(P a, P b, double r) {
  return [=](P p) { return SegmentDistance(p, a, b) - r; };
}

// A polygon; `round` grows it outwards with rounded corners.
Sdf Polygon(std::vector<P> pts, double round = 0) {
  return [=](P p) {
    double d = 1e9;
    bool inside = false;
    for (size_t i = 0, j = pts.size() - 1; i < pts.size(); j = i++) {
      const P& a = pts[i];
      const P& b = pts[j];
      d = std::min(d, SegmentDistance(p, a, b));
      if ((a.y > p.y) != (b.y > p.y) && p.x < (b.x - a.x) * (p.y - a.y) / (b.y - a.y) + a.x) {
        inside = !inside;
      }
    }
    return (inside ? -d : d) - round;
  };
}

Sdf RoundRect(double x0, double y0, double x1, double y1, double r) {
  return [=](P p) {
    const double cx = (x0 + x1) / 2, cy = (y0 + y1) / 2;
    const double qx = std::abs(p.x - cx) - ((x1 - x0) / 2 - r);
    const double qy = std::abs(p.y - cy) - ((y1 - y0) / 2 - r);
    return Len(std::max(qx, 0.0), std::max(qy, 0.0)) + std::min(std::max(qx, qy), 0.0) - r;
  };
}

Sdf Union(Sdf a, Sdf b) {
  return [=](P p) { return std::min(a(p), b(p)); };
}
Sdf Intersect(Sdf a, Sdf b) {
  return [=](P p) { return std::max(a(p), b(p)); };
}
Sdf Shifted(Sdf a, double dx, double dy) {
  return [=](P p) { return a(P{p.x - dx, p.y - dy}); };
}

// ---- a picture: layers painted in order ----------------------------------------------------

using Paint = std::function<Rgba(P)>;

struct Layer {
  Sdf shape;
  Paint fill;
  double edge = 0;  // width of a border drawn inside the shape
  Rgba edgeColour;
  double blur = 0;  // soft edge (shadows), in design units
};

Paint Solid(Rgba c) {
  return [=](P) { return c; };
}

// From colour a at y0 to colour b at y1.
Paint Vertical(Rgba a, Rgba b, double y0, double y1) {
  return [=](P p) { return Mix(a, b, (p.y - y0) / (y1 - y0)); };
}

struct Picture {
  Rgba background;  // alpha 0 for the icon
  std::vector<Layer> layers;
};

// Colour of one sample point; `minEdge` keeps borders at least that wide in design units, so
// that small icon sizes still show them.
Rgba Sample(const Picture& pic, P p, double minEdge) {
  Rgba c = pic.background;
  for (const Layer& l : pic.layers) {
    const double d = l.shape(p);
    if (l.blur > 0) {
      if (d < l.blur) {
        Rgba f = l.fill(p);
        f.a *= std::clamp(0.5 - d / (2 * l.blur), 0.0, 1.0);
        c = Over(c, f);
      }
      continue;
    }
    if (d >= 0) continue;
    const double edge = l.edge > 0 ? std::max(l.edge, minEdge) : 0;
    c = Over(c, -d < edge ? l.edgeColour : l.fill(p));
  }
  return c;
}

// size x size pixels, top row first, BGRA in sRGB.
std::vector<uint8_t> Render(const Picture& pic, int size) {
  constexpr int kSub = 16;
  const double unit = 32.0 / size;  // design units per pixel
  const double minEdge = unit * 0.9;
  std::vector<uint8_t> out(static_cast<size_t>(size) * size * 4);
  for (int y = 0; y < size; ++y) {
    for (int x = 0; x < size; ++x) {
      double r = 0, g = 0, b = 0, a = 0;
      for (int sy = 0; sy < kSub; ++sy) {
        for (int sx = 0; sx < kSub; ++sx) {
          const P p{(x + (sx + 0.5) / kSub) * unit, (y + (sy + 0.5) / kSub) * unit};
          const Rgba c = Sample(pic, p, minEdge);
          r += c.r * c.a;
          g += c.g * c.a;
          b += c.b * c.a;
          a += c.a;
        }
      }
      constexpr double n = kSub * kSub;
      uint8_t* px = &out[(static_cast<size_t>(y) * size + x) * 4];
      const double alpha = a / n;
      auto channel = [&](double premul) {
        return static_cast<uint8_t>(
            std::lround(ToSrgb(alpha > 0 ? premul / a : 0) * 255.0));
      };
      px[0] = channel(b);
      px[1] = channel(g);
      px[2] = channel(r);
      px[3] = static_cast<uint8_t>(std::lround(alpha * 255.0));
    }
  }
  return out;
}

// ---- the pictures ------------------------------------------------------------------------

const Rgba kWhite = Hex(0xFFFFFF);
const Rgba kBlack = Hex(0x141414);

Picture ArrowUp() {
  Picture pic{kWhite, {}};
  const Sdf arrow = Polygon({{16, 3.2}, {28, 15.4}, {21.4, 15.4}, {21.4, 28.4}, {10.6, 28.4},
                             {10.6, 15.4}, {4, 15.4}},
                            0.7);
  pic.layers.push_back(
      Layer{Shifted(arrow, 1.3, 1.3), Solid(Hex(0x000000, 0.28)), 0, {}, 1.4});
  // Lit from the upper left: light grey at the top turning dark at the foot, and darker
  // towards the right, so that the arrow reads as a raised shape.
  const Paint body = [](P p) {
    const Rgba c = Mix(Hex(0xDADADA), Hex(0x6A6A6A), (p.y - 3) / 26);
    return Mix(c, Hex(0x3C3C3C), (p.x - 9) / 14 * 0.45);
  };
  pic.layers.push_back(Layer{arrow, body, 1.3, kBlack, 0});
  return pic;
}

// The folder with the magnifying glass, drawn over `background`.
Picture Scan(Rgba background, bool shadow) {
  Picture pic{background, {}};
  const Rgba blue = Hex(0x1F5CC4);
  const Sdf back = Union(RoundRect(2.6, 8.2, 29.4, 27.4, 1.6),
                         Polygon({{3.4, 11}, {3.4, 6.4}, {11.6, 6.4}, {14.2, 9}, {14.2, 11}}, 0.8));
  const Sdf front = Polygon({{6.2, 13.2}, {30.2, 13.2}, {28.2, 27.4}, {2.6, 27.4}}, 0.6);
  if (shadow) {
    pic.layers.push_back(
        Layer{Shifted(Union(back, front), 1.2, 1.2), Solid(Hex(0x000000, 0.25)), 0, {}, 1.3});
  }
  pic.layers.push_back(
      Layer{back, Vertical(Hex(0xA8A8A8), Hex(0x8C8C8C), 6, 27), 1.3, blue, 0});
  pic.layers.push_back(
      Layer{front, Vertical(Hex(0xE2E2E2), Hex(0xB2B2B2), 13, 28), 1.3, blue, 0});

  // The magnifying glass: a dark handle, a metal ring and a lens that lets the folder show
  // through, tinted, with a highlight at its upper left.
  const P c{19.2, 17.6};
  const double outer = 6.9, ring = 1.9;
  if (shadow) {
    pic.layers.push_back(Layer{Shifted(Union(Circle(c, outer), Capsule({24.4, 22.8}, {28.6, 27.2}, 2.0)),
                                       1.0, 1.0),
                               Solid(Hex(0x000000, 0.22)), 0, {}, 1.1});
  }
  pic.layers.push_back(Layer{Capsule({24.2, 22.6}, {28.6, 27.2}, 2.0),
                             [](P p) { return Mix(Hex(0x4A4A4A), Hex(0x1A1A1A), (p.x - 24) / 6); },
                             0.8, Hex(0x0A0A0A), 0});
  pic.layers.push_back(Layer{Circle(c, outer - ring), Solid(Hex(0xCFE6FF, 0.55)), 0, {}, 0});
  pic.layers.push_back(Layer{Intersect(Circle({c.x - 1.6, c.y - 1.8}, 2.6), Circle(c, outer - ring)),
                             Solid(Hex(0xFFFFFF, 0.75)), 0, {}, 0});
  const Sdf ringShape = [=](P p) {
    const double d = Len(p.x - c.x, p.y - c.y);
    return std::max(d - outer, (outer - ring) - d);
  };
  pic.layers.push_back(Layer{ringShape,
                             [=](P p) {
                               return Mix(Hex(0x8A8A8A), Hex(0x2E2E2E),
                                          ((p.x - c.x) + (p.y - c.y)) / (2.4 * outer) + 0.5);
                             },
                             0, {}, 0});
  return pic;
}

// ---- files -------------------------------------------------------------------------------

void Put16(std::string& s, unsigned v) {
  s += static_cast<char>(v & 0xFF);
  s += static_cast<char>((v >> 8) & 0xFF);
}
void Put32(std::string& s, uint32_t v) {
  Put16(s, v & 0xFFFF);
  Put16(s, v >> 16);
}

void InfoHeader(std::string& s, int w, int h, int bits, uint32_t imageBytes) {
  Put32(s, 40);
  Put32(s, static_cast<uint32_t>(w));
  Put32(s, static_cast<uint32_t>(h));
  Put16(s, 1);
  Put16(s, static_cast<unsigned>(bits));
  Put32(s, 0);  // BI_RGB
  Put32(s, imageBytes);
  Put32(s, 2835);  // 72 dpi
  Put32(s, 2835);
  Put32(s, 0);
  Put32(s, 0);
}

bool WriteFile(const std::string& path, const std::string& data) {
  FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) {
    std::fprintf(stderr, "mkimages: cannot write %s\n", path.c_str());
    return false;
  }
  const bool ok = std::fwrite(data.data(), 1, data.size(), f) == data.size();
  return std::fclose(f) == 0 && ok;
}

// An opaque picture as a 24-bit bottom-up BMP.
bool WriteBmp(const std::string& path, const Picture& pic, int size) {
  const std::vector<uint8_t> px = Render(pic, size);
  const int stride = (size * 3 + 3) & ~3;
  const auto imageBytes = static_cast<uint32_t>(stride * size);
  std::string s = "BM";
  Put32(s, 14 + 40 + imageBytes);
  Put32(s, 0);
  Put32(s, 14 + 40);
  InfoHeader(s, size, size, 24, imageBytes);
  for (int y = size - 1; y >= 0; --y) {
    for (int x = 0; x < size; ++x) {
      const uint8_t* p = &px[(static_cast<size_t>(y) * size + x) * 4];
      s.append(reinterpret_cast<const char*>(p), 3);
    }
    s.append(static_cast<size_t>(stride - size * 3), '\0');
  }
  return WriteFile(path, s);
}

// An icon with 32-bit images (alpha) of the given sizes.
bool WriteIco(const std::string& path, const Picture& pic, const std::vector<int>& sizes) {
  std::vector<std::string> images;
  for (int size : sizes) {
    const std::vector<uint8_t> px = Render(pic, size);
    const int maskStride = ((size + 31) / 32) * 4;
    std::string img;
    InfoHeader(img, size, size * 2, 32, 0);
    for (int y = size - 1; y >= 0; --y) {
      img.append(reinterpret_cast<const char*>(&px[static_cast<size_t>(y) * size * 4]),
                 static_cast<size_t>(size) * 4);
    }
    for (int y = size - 1; y >= 0; --y) {
      std::string row(static_cast<size_t>(maskStride), '\0');
      for (int x = 0; x < size; ++x) {
        if (px[(static_cast<size_t>(y) * size + x) * 4 + 3] == 0) {
          row[static_cast<size_t>(x / 8)] |= static_cast<char>(0x80 >> (x % 8));
        }
      }
      img += row;
    }
    images.push_back(std::move(img));
  }
  std::string s;
  Put16(s, 0);
  Put16(s, 1);
  Put16(s, static_cast<unsigned>(sizes.size()));
  uint32_t offset = 6 + 16 * static_cast<uint32_t>(sizes.size());
  for (size_t i = 0; i < sizes.size(); ++i) {
    s += static_cast<char>(sizes[i] >= 256 ? 0 : sizes[i]);
    s += static_cast<char>(sizes[i] >= 256 ? 0 : sizes[i]);
    s += '\0';  // no palette
    s += '\0';
    Put16(s, 1);
    Put16(s, 32);
    Put32(s, static_cast<uint32_t>(images[i].size()));
    Put32(s, offset);
    offset += static_cast<uint32_t>(images[i].size());
  }
  for (const std::string& img : images) s += img;
  return WriteFile(path, s);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: mkimages <output directory>\n");
    return 2;
  }
  const std::string dir = std::string(argv[1]) + "/";
  const Picture pictures[] = {ArrowUp(), Scan(kWhite, true), Scan(Hex(0xD92B2B), true)};
  bool ok = true;
  for (int dpi : {96, 120, 144, 192}) {
    const std::string suffix = dpi == 96 ? "" : "_" + std::to_string(dpi);
    for (int n = 1; n <= 3; ++n) {
      const std::string name = "image" + std::to_string(n) + suffix + ".bmp";
      ok = WriteBmp(dir + name, pictures[n - 1], 32 * dpi / 96) && ok;
    }
  }
  // Small icons (16 at 96 dpi) and large ones (32) for the same four DPIs.
  ok = WriteIco(dir + "vardune.ico", Scan(Rgba{}, false), {16, 20, 24, 32, 40, 48, 64}) && ok;
  return ok ? 0 : 1;
}
