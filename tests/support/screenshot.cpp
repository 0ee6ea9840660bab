// Copies a window off the screen into a BMP file.
#include "support/screenshot.h"

#include <filesystem>

#include "common/text.h"
#include "support/temp_env.h"

bool SaveWindowShot(HWND window, const std::string& file) {
  if (GetEnvironmentVariableA("VELNOR_NO_SHOTS", nullptr, 0) > 0) return true;
  RECT r{};
  if (window == nullptr || !GetWindowRect(window, &r)) return false;
  const int w = r.right - r.left, h = r.bottom - r.top;
  if (w <= 0 || h <= 0) return false;
  HDC screen = GetDC(nullptr);
  HDC mem = CreateCompatibleDC(screen);
  HBITMAP bmp = CreateCompatibleBitmap(screen, w, h);
  HGDIOBJ old = SelectObject(mem, bmp);
  BitBlt(mem, 0, 0, w, h, screen, r.left, r.top, SRCCOPY);
  BITMAPINFOHEADER bi{sizeof(bi), w, -h, 1, 24, BI_RGB, 0, 0, 0, 0, 0};
  const DWORD stride = ((static_cast<DWORD>(w) * 3 + 3) & ~3u);
  std::string pixels(stride * static_cast<DWORD>(h), '\0');
  GetDIBits(mem, bmp, 0, static_cast<UINT>(h), pixels.data(), reinterpret_cast<BITMAPINFO*>(&bi), DIB_RGB_COLORS);
  SelectObject(mem, old);
  DeleteObject(bmp);
  DeleteDC(mem);
  ReleaseDC(nullptr, screen);
  BITMAPFILEHEADER bf{};
  bf.bfType = 0x4D42;
  bf.bfOffBits = sizeof(bf) + sizeof(bi);
  bf.bfSize = bf.bfOffBits + static_cast<DWORD>(pixels.size());
  std::string bytes(reinterpret_cast<const char*>(&bf), sizeof(bf));
  bytes.append(reinterpret_cast<const char*>(&bi), sizeof(bi));
  bytes += pixels;
  std::error_code ec;
  std::filesystem::create_directories(std::filesystem::path(gToWide(file)).parent_path(), ec);
  return WriteFileBytes(file, bytes);
}
