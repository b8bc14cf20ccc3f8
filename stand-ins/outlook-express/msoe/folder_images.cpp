// The folder pane's pictures, drawn once at start-up: 24 small images in the order of oe_ids.h,
// the account picture at 19 where clients expect it.
#include "common/oe_ids.h"
#include "msoe/host.h"

namespace oestand {
namespace {

constexpr int kSize = 16;
constexpr COLORREF kMask = RGB(255, 0, 255);

class Painter {
public:
  Painter(HDC dc, int index) : dc_(dc), x_(index * kSize) {}

  void Rect(int l, int t, int r, int b, COLORREF fill, COLORREF line) {
    HBRUSH brush = CreateSolidBrush(fill);
    HPEN pen = CreatePen(PS_SOLID, 1, line);
    HGDIOBJ ob = SelectObject(dc_, brush), op = SelectObject(dc_, pen);
    Rectangle(dc_, x_ + l, t, x_ + r, b);
    SelectObject(dc_, ob);
    SelectObject(dc_, op);
    DeleteObject(brush);
    DeleteObject(pen);
  }
  void Ellipse(int l, int t, int r, int b, COLORREF fill, COLORREF line) {
    HBRUSH brush = CreateSolidBrush(fill);
    HPEN pen = CreatePen(PS_SOLID, 1, line);
    HGDIOBJ ob = SelectObject(dc_, brush), op = SelectObject(dc_, pen);
    ::Ellipse(dc_, x_ + l, t, x_ + r, b);
    SelectObject(dc_, ob);
    SelectObject(dc_, op);
    DeleteObject(brush);
    DeleteObject(pen);
  }
  void Line(int x1, int y1, int x2, int y2, COLORREF color) {
    HPEN pen = CreatePen(PS_SOLID, 1, color);
    HGDIOBJ op = SelectObject(dc_, pen);
    MoveToEx(dc_, x_ + x1, y1, nullptr);
    LineTo(dc_, x_ + x2, y2);
    SelectObject(dc_, op);
    DeleteObject(pen);
  }
  void Folder(COLORREF body) {
    COLORREF edge = RGB(GetRValue(body) * 2 / 3, GetGValue(body) * 2 / 3, GetBValue(body) * 2 / 3);
    Rect(1, 3, 7, 6, body, edge);
    Rect(1, 5, 15, 14, body, edge);
    Line(2, 6, 14, 6, RGB(255, 255, 230));
  }
  void Envelope(int l, int t, int r, int b) {
    Rect(l, t, r, b, RGB(255, 255, 255), RGB(80, 80, 120));
    Line(l, t, (l + r) / 2, (t + b) / 2, RGB(80, 80, 120));
    Line((l + r) / 2, (t + b) / 2, r - 1, t, RGB(80, 80, 120));
  }
  void Arrow(COLORREF color, bool right) {
    for (int i = 0; i < 4; ++i) {
      int x = right ? 12 - i : 3 + i;
      Line(x, 8 - i, x, 9 + i, color);
    }
    Line(right ? 4 : 7, 8, right ? 10 : 13, 8, color);
    Line(right ? 4 : 7, 9, right ? 10 : 13, 9, color);
  }

private:
  HDC dc_;
  int x_;
};

void Draw(HDC dc, int index) {
  Painter p(dc, index);
  const COLORREF yellow = RGB(240, 200, 80), grey = RGB(190, 190, 190), blue = RGB(40, 90, 190);
  switch (index) {
    case kImageRoot:
      p.Ellipse(1, 1, 15, 15, RGB(70, 130, 210), RGB(30, 60, 140));
      p.Envelope(4, 5, 12, 11);
      break;
    case kImageLocalFolders:
      p.Folder(yellow);
      p.Rect(7, 8, 15, 14, RGB(210, 210, 220), RGB(60, 60, 80));
      p.Rect(8, 9, 14, 12, RGB(90, 150, 220), RGB(90, 150, 220));
      break;
    case kImageFolder: p.Folder(yellow); break;
    case kImageFolderOpen:
      p.Folder(yellow);
      p.Rect(3, 7, 15, 14, RGB(250, 220, 120), RGB(160, 130, 50));
      break;
    case kImageInbox:
      p.Folder(yellow);
      p.Rect(5, 9, 13, 14, RGB(80, 140, 220), blue);
      break;
    case kImageOutbox: p.Folder(yellow); p.Arrow(RGB(200, 40, 40), true); break;
    case kImageSent: p.Folder(yellow); p.Arrow(RGB(30, 150, 60), true); break;
    case kImageDeleted:
      p.Rect(4, 4, 12, 15, grey, RGB(90, 90, 90));
      p.Rect(3, 2, 13, 4, grey, RGB(90, 90, 90));
      p.Line(6, 6, 6, 13, RGB(90, 90, 90));
      p.Line(9, 6, 9, 13, RGB(90, 90, 90));
      break;
    case kImageDrafts:
      p.Folder(yellow);
      p.Rect(6, 4, 13, 13, RGB(255, 255, 255), RGB(100, 100, 100));
      p.Line(7, 7, 12, 7, RGB(120, 120, 120));
      p.Line(7, 9, 12, 9, RGB(120, 120, 120));
      break;
    case kImageContainer: p.Folder(grey); break;
    case kImageNews:
      p.Rect(2, 3, 14, 13, RGB(255, 255, 255), RGB(90, 90, 90));
      p.Rect(4, 5, 8, 9, RGB(120, 120, 120), RGB(120, 120, 120));
      p.Line(9, 6, 13, 6, RGB(90, 90, 90));
      p.Line(4, 11, 13, 11, RGB(90, 90, 90));
      break;
    case kImageJunk: p.Folder(RGB(200, 120, 90)); break;
    case kImagePublic:
      p.Folder(yellow);
      p.Ellipse(7, 7, 15, 15, RGB(90, 170, 230), RGB(30, 90, 150));
      p.Line(8, 11, 14, 11, RGB(30, 90, 150));
      break;
    case kImageShared:
      p.Folder(yellow);
      p.Ellipse(6, 7, 10, 11, RGB(230, 180, 140), RGB(120, 80, 50));
      p.Ellipse(10, 7, 14, 11, RGB(230, 180, 140), RGB(120, 80, 50));
      p.Rect(6, 11, 14, 15, RGB(60, 110, 200), RGB(30, 60, 120));
      break;
    case kImageBackup:
      p.Folder(yellow);
      p.Rect(7, 7, 15, 15, RGB(70, 70, 90), RGB(30, 30, 40));
      p.Rect(9, 8, 13, 11, RGB(220, 220, 220), RGB(220, 220, 220));
      break;
    case kImagePublicSmall:
      p.Ellipse(2, 2, 14, 14, RGB(90, 170, 230), RGB(30, 90, 150));
      p.Line(2, 8, 14, 8, RGB(30, 90, 150));
      p.Line(8, 2, 8, 14, RGB(30, 90, 150));
      break;
    case kImageSync:
      p.Folder(yellow);
      p.Ellipse(7, 7, 15, 15, RGB(255, 255, 255), RGB(30, 150, 60));
      break;
    case kImageOffline: p.Folder(RGB(210, 210, 170)); break;
    case kImagePop3:
      p.Envelope(1, 3, 15, 13);
      break;
    case kImageAccount:
      p.Rect(1, 2, 9, 15, RGB(200, 200, 210), RGB(60, 60, 80));
      p.Line(3, 5, 7, 5, RGB(60, 60, 80));
      p.Line(3, 8, 7, 8, RGB(60, 60, 80));
      p.Envelope(6, 7, 15, 13);
      break;
    case kImageUser:
      p.Ellipse(5, 1, 11, 7, RGB(230, 180, 140), RGB(120, 80, 50));
      p.Rect(3, 8, 13, 15, RGB(60, 110, 200), RGB(30, 60, 120));
      break;
    case kImageServer:
      p.Rect(4, 1, 12, 15, RGB(200, 200, 210), RGB(60, 60, 80));
      p.Line(6, 4, 10, 4, RGB(60, 60, 80));
      p.Line(6, 7, 10, 7, RGB(60, 60, 80));
      p.Rect(6, 11, 8, 13, RGB(40, 200, 60), RGB(40, 200, 60));
      break;
    case kImageSearch:
      p.Ellipse(2, 2, 10, 10, RGB(220, 240, 255), RGB(40, 40, 40));
      p.Line(9, 9, 14, 14, RGB(40, 40, 40));
      p.Line(10, 9, 15, 14, RGB(40, 40, 40));
      break;
    case kImageCalendar:
      p.Rect(2, 3, 14, 14, RGB(255, 255, 255), RGB(90, 90, 90));
      p.Rect(2, 3, 14, 6, RGB(200, 60, 60), RGB(90, 90, 90));
      break;
  }
}

}  // namespace

HIMAGELIST CreateFolderImages() {
  HDC screen = GetDC(nullptr);
  HDC dc = CreateCompatibleDC(screen);
  HBITMAP strip = CreateCompatibleBitmap(screen, kSize * kImageCount, kSize);
  ReleaseDC(nullptr, screen);
  HGDIOBJ old = SelectObject(dc, strip);
  RECT all = {0, 0, kSize * kImageCount, kSize};
  HBRUSH mask = CreateSolidBrush(kMask);
  FillRect(dc, &all, mask);
  DeleteObject(mask);
  for (int i = 0; i < kImageCount; ++i) Draw(dc, i);
  SelectObject(dc, old);
  DeleteDC(dc);
  HIMAGELIST list = ImageList_Create(kSize, kSize, ILC_COLOR24 | ILC_MASK, kImageCount, 4);
  ImageList_AddMasked(list, strip, kMask);
  DeleteObject(strip);
  return list;
}

}  // namespace oestand
