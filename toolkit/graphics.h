#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "toolkit/colors.h"

class QImage;
class QPainter;
class TBitmap;

// Brush fill styles. Only the solid fill exists: everything is filled whole.
enum TBrushStyle { bsSolid = 0 };

// What lines and outlines are drawn with: one pixel wide, solid, in Color().
class TPen {
 public:
  TColor Color() const { return color_; }
  void SetColor(TColor color) { color_ = color; }

 private:
  TColor color_ = clBlack;
};

// What rectangles and the insides of ellipses are filled with.
class TBrush {
 public:
  TColor Color() const { return color_; }
  void SetColor(TColor color) { color_ = color; }
  TBrushStyle Style() const { return style_; }
  void SetStyle(TBrushStyle style) { style_ = style; }

 private:
  TColor color_ = clWhite;
  TBrushStyle style_ = bsSolid;
};

// A rectangle of pixels: left and top edges included, right and bottom
// edges excluded. It is empty when right <= left or bottom <= top.
struct TRect {
  TRect() = default;
  TRect(int l, int t, int r, int b) : left(l), top(t), right(r), bottom(b) {}
  int left = 0;
  int top = 0;
  int right = 0;
  int bottom = 0;
};

// How the primitives of a canvas with an owner plane treat it (see
// TCanvas::SetOwners).
enum class TOwnerMode {
  kIgnore,     // the plane is neither read nor written
  kRecord,     // every pixel written takes the current owner id in the plane
  kOnlyOwned,  // only the pixels whose owner is the current id are written
};

// The drawing surface of one bitmap, owned by it. A new canvas has a black
// pen and a white solid brush; Pen() and Brush() are the same objects for the
// canvas's whole life, so their settings stay until changed.
//
// Every primitive takes any int coordinates and writes only the pixels that
// lie inside the bitmap; the pixels it draws inside are the same however far
// outside the shape extends. A system colour is resolved when the primitive
// draws. Each primitive that writes at least one pixel counts as a change of
// the bitmap (see TBitmap::SetOnChange).
class TCanvas {
 public:
  TCanvas(const TCanvas&) = delete;
  TCanvas& operator=(const TCanvas&) = delete;

  TPen* Pen() { return &pen_; }
  TBrush* Brush() { return &brush_; }

  // Fills the rectangle with the brush colour.
  void FillRect(const TRect& rect);

  // Makes (x, y) the current position; draws nothing.
  void MoveTo(int x, int y) {
    penX_ = x;
    penY_ = y;
  }

  // Draws a line in the pen colour from the current position to (x, y),
  // without the pixel at (x, y), and makes (x, y) the current position.
  //
  // With n = max(|dx|, |dy|) steps along the major axis, step i (0 <= i < n)
  // sets the pixel whose minor coordinate is offset from the start by
  // i * |dminor| / n rounded to the nearest whole number, halves rounded away
  // from the start (Bresenham's stepping). A line from a point to itself
  // draws nothing.
  void LineTo(int x, int y);

  // Draws the line from (x0, y0) to (x1, y1) in the pen colour, setting
  // exactly the pixels that MoveTo (x0, y0) and LineTo (x1, y1) would set,
  // for coordinates beyond the int range too: each at most
  // kLineCoordinateLimit in size (larger ones raise Exception). The current
  // position does not change. For drawing at a zoom, where the ends of a
  // line may lie far outside the bitmap.
  void Line(int64_t x0, int64_t y0, int64_t x1, int64_t y1);
  static constexpr int64_t kLineCoordinateLimit = int64_t{1} << 52;

  // Draws the ellipse inscribed in the box from (x1, y1) to (x2, y2), right
  // and bottom edges excluded (the corners may be given in either order).
  // With w and h the box's width and height, the pixel at column j and row r
  // of the box belongs to the ellipse when its centre lies inside or on it:
  // (2j + 1 - w)^2 / w^2 + (2r + 1 - h)^2 / h^2 <= 1, evaluated exactly.
  // Pixels of the ellipse with all four straight neighbours also in it are
  // the interior, filled with the brush colour; the others are the outline,
  // drawn with the pen colour. So the 3 x 3 box draws all nine pixels, the
  // centre in the brush colour and the ring of eight around it in the pen
  // colour; the 5 x 5 box draws the 21 pixels without its four corners, the
  // 3 x 3 block in its middle in the brush colour and the other twelve in the
  // pen colour. A box of zero width or height draws nothing.
  void Ellipse(int x1, int y1, int x2, int y2);

  // Sets the pixel at (x, y) to colour.
  void SetPixel(int x, int y, TColor color);

  // The colour of the pixel at (x, y) as RGB (never a system colour). Raises
  // Exception when (x, y) lies outside the bitmap.
  TColor Pixel(int x, int y) const;

  // Copies the pixels of rect (clipped to both bitmaps) from source to the
  // same place in this canvas's bitmap; the clip rectangle does not apply.
  void CopyRect(const TRect& rect, const TBitmap& source);

  // Restricts every primitive to the pixels of rect (left and top included,
  // right and bottom excluded) that lie in the bitmap, until ResetClipRect.
  // Inside the rectangle a primitive sets exactly the pixels it would set
  // without it, so a part of a picture can be drawn again alone.
  void SetClipRect(const TRect& rect);
  void ResetClipRect();

  // Owner tracking, so that one item of a picture can later be drawn again
  // alone, over exactly the pixels it still shows. The owner plane holds one
  // id per pixel of the bitmap, row by row; it belongs to the caller and
  // must hold Width() x Height() ids whenever a primitive runs with a mode
  // other than kIgnore (else the primitive raises Exception). With kRecord
  // every pixel a primitive writes takes the current owner id (kNoOwner on
  // a new canvas, for the background); with kOnlyOwned a primitive writes, of
  // the pixels it would write, only those whose owner is the current id, and
  // the plane stays as it is (it then counts as a change of the bitmap
  // whenever it reaches a pixel, written or not). A null plane is kIgnore.
  static constexpr int32_t kNoOwner = -1;
  void SetOwners(std::vector<int32_t>* plane, TOwnerMode mode) {
    owners_ = plane;
    ownerMode_ = mode;
  }
  void SetOwnerMode(TOwnerMode mode) { ownerMode_ = mode; }
  void SetOwner(int32_t id) { owner_ = id; }

 private:
  friend class TBitmap;
  explicit TCanvas(TBitmap& bitmap) : bitmap_(bitmap) {}
  void DrawLine(int64_t x0, int64_t y0, int64_t x1, int64_t y1);

  TBitmap& bitmap_;
  TPen pen_;
  TBrush brush_;
  int penX_ = 0;
  int penY_ = 0;
  bool clipped_ = false;
  TRect clip_;
  std::vector<int32_t>* owners_ = nullptr;
  TOwnerMode ownerMode_ = TOwnerMode::kIgnore;
  int32_t owner_ = kNoOwner;

  // The owner plane's ids when the primitives follow it, else nullptr.
  int32_t* OwnerIds() const;
};

// A picture of Width() x Height() pixels, 0 x 0 when new, drawn on through
// GetCanvas().
//
// Change notification, for the widget that shows the bitmap: the callback
// given to SetOnChange is called when the content or size changes while no
// earlier change is pending, and that call makes a change pending. The
// widget calls MarkPainted() once it has painted, which clears the pending
// change, so the next change calls the callback again. Any number of
// primitives between two paints thus ask for one repaint. Without a callback
// nothing becomes pending.
class TBitmap {
 public:
  TBitmap();
  ~TBitmap();
  TBitmap(const TBitmap&) = delete;
  TBitmap& operator=(const TBitmap&) = delete;

  int Width() const { return width_; }
  int Height() const { return height_; }

  // Set the width or the height; a negative size counts as 0. The pixels
  // that still fit keep their place at the top left; a grown area takes the
  // window background colour (clWindow) of the moment. Setting the present
  // size again changes nothing. A size whose pixels cannot be allocated
  // raises EOutOfMemory and leaves the bitmap as it was.
  void Width(int width);
  void Height(int height);

  // The bitmap's canvas: the same object on every call.
  TCanvas* GetCanvas() { return &canvas_; }

  // Replaces the change callback (an empty function removes it) and clears
  // any pending change.
  void SetOnChange(std::function<void()> onChange);

  // Clears the pending change: the showing widget has painted the content.
  void MarkPainted() { changePending_ = false; }

  // For the toolkit's widgets and file writer: the pixels, Format_RGB32, a
  // null image while the bitmap has no pixels. Copies of it keep their
  // content: the next primitive detaches the bitmap's image from them.
  const QImage& Image() const {
    writableBits_ = nullptr;
    return *image_;
  }

 private:
  friend class TCanvas;
  friend class TSmoothPainter;
  void Resize(int width, int height);

  // The pixels for the primitives to write. They are fetched from the image
  // (which detaches it from copies handed out and renews its cache key) by
  // the first primitive after a resize or after Image() was called, and kept
  // until then, so that drawing costs no call into the image per primitive.
  uint32_t* WritableBits() { return writableBits_ ? writableBits_ : FetchWritableBits(); }
  uint32_t* FetchWritableBits();

  // Calls the change callback when a change is due (see above).
  void Changed() {
    if (!changePending_ && onChange_) NotifyChange();
  }
  void NotifyChange();

  std::unique_ptr<QImage> image_;
  mutable uint32_t* writableBits_ = nullptr;
  int width_ = 0;
  int height_ = 0;
  TCanvas canvas_{*this};
  std::function<void()> onChange_;
  bool changePending_ = false;
};

// A position with a fraction of a pixel, for antialiased drawing: the
// centre of pixel (x, y) is (x + 0.5, y + 0.5).
struct TPointF {
  double x = 0;
  double y = 0;
};

// How TSmoothPainter strokes lines: colour, opacity (255 opaque), width in
// pixels, and for a dashed line the lengths of its dashes and gaps in
// pixels (0: solid). Ends and joins are round.
struct TStrokeStyle {
  TColor color = clBlack;
  uint8_t alpha = 255;
  double width = 1;
  double dash = 0;
  double gap = 0;
};

// Text drawn by TSmoothPainter: its colour, its size in pixels, and a halo
// of haloWidth pixels around the letters (0: none) that keeps it readable on
// any ground. The font is DejaVu Sans, else the system's sans-serif font.
struct TTextStyle {
  TColor color = clBlack;
  int pixelSize = 11;
  TColor halo = clWhite;
  double haloWidth = 0;
};

// A line of text's extent in pixels: its advance width, and the font's
// height above and below the baseline.
struct TTextExtent {
  double width = 0;
  double ascent = 0;
  double descent = 0;
};

// The extent of text (UTF-8) in the font of a TTextStyle of that size.
TTextExtent MeasureText(std::string_view text, int pixelSize);

// Antialiased drawing onto a bitmap while it lives: lines of any width,
// dashed or translucent, circles and rotated text. Shapes may lie anywhere,
// within +-2^52 pixels; only the bitmap's pixels they cover change, and the
// same shapes on the same pixels always give the same result. The bitmap's
// canvas must not draw while a painter is open on it.
class TSmoothPainter {
 public:
  explicit TSmoothPainter(TBitmap& bitmap);
  ~TSmoothPainter();
  TSmoothPainter(const TSmoothPainter&) = delete;
  TSmoothPainter& operator=(const TSmoothPainter&) = delete;

  // Strokes polylines as one shape: polyline k runs through
  // vertices[starts[k]] up to the vertex before starts[k + 1] (the last up
  // to the end); starts ascend. Where the lines overlap a translucent colour
  // is laid once. A polyline of one vertex draws a dot of the line's width.
  void StrokePolylines(const std::vector<TPointF>& vertices, const std::vector<uint32_t>& starts,
                       const TStrokeStyle& style);

  // A disc of radius pixels around centre in fill, with an outline of
  // outlineWidth pixels (0: none) centred on its edge.
  void DrawCircle(TPointF centre, double radius, TColor fill, TColor outline, double outlineWidth);

  // Text (UTF-8) on one line, centred on centre and turned by angle radians
  // clockwise on screen (0 reads left to right), its halo under it.
  void DrawText(TPointF centre, double angle, std::string_view text, const TTextStyle& style);

 private:
  TBitmap& bitmap_;
  std::unique_ptr<QPainter> painter_;
};

// The content of an image control, held as a bitmap.
class TPicture {
 public:
  // The picture's bitmap: created empty (0 x 0) on the first call, the same
  // object on every later call.
  TBitmap* GetBitmap();

 private:
  std::unique_ptr<TBitmap> bitmap_;
};

// Writes the bitmap as a PNG file at path (UTF-8), stating 96 pixels an
// inch whatever screen (or none) the program has, so that one picture
// always gives the same file. Returns false when the file cannot be written
// or the bitmap has no pixels (a 0-pixel image cannot be stored as PNG).
bool SaveBitmapToPng(const TBitmap& bitmap, const std::string& path);
