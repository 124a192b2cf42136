#pragma once
// A font description with a lazily made platform font handle.
// FIXME: belongs in the framework once it has its own font object.
#include "framework/Classes.h"
#include "framework/Gdi.h"
#include "graphics/Color32.h"

enum TFontStyle : unsigned { fsBold = 1, fsItalic = 2, fsUnderline = 4, fsStrikeOut = 8 };
using TFontStyles = unsigned;
enum class TFontQuality { fqDefault, fqDraft, fqProof, fqNonAntialiased, fqAntialiased, fqClearType };

// The system colour of window text.
constexpr TColor clWindowText = static_cast<TColor>(0xFF000008u);

class TFont : public TPersistent {
 public:
  static constexpr int PixelsPerInch = 96;

  TFont() = default;
  ~TFont() override;
  TFont(const TFont&) = delete;
  TFont& operator=(const TFont&) = delete;

  TNotifyEvent OnChange;

  void Assign(const TPersistent* Source) override;

  const AnsiString& Name() const { return name_; }
  void SetName(const AnsiString& v);
  // Negative: character height in pixels, as LOGFONT holds it.
  int Height() const { return height_; }
  void SetHeight(int v);
  // Points at 96 pixels per inch.
  int Size() const;
  void SetSize(int points);
  TColor Color() const { return color_; }
  void SetColor(TColor v);
  TFontStyles Style() const { return style_; }
  void SetStyle(TFontStyles v);
  BYTE Charset() const { return charset_; }
  void SetCharset(BYTE v);
  TFontQuality Quality() const { return quality_; }
  void SetQuality(TFontQuality v);

  // The platform font; made on first use and remade after a change.
  HFONT Handle();
  LOGFONT ToLogFont() const;

 private:
  void Changed();
  void FreeHandle();

  AnsiString name_ = "MS Sans Serif";
  int height_ = -11;
  TColor color_ = clWindowText;
  TFontStyles style_ = 0;
  BYTE charset_ = DEFAULT_CHARSET;
  TFontQuality quality_ = TFontQuality::fqDefault;
  HFONT handle_ = nullptr;
};
