#pragma once
// The words of the drawing state, with the platform's values, so that a call site
// reads as what it draws: gfx_set_line_style(PS_DASHDOT, 1, nullptr, 0). Pen, brush,
// hatch and text-layout words carry the platform's own names; background modes,
// polygon fill rules and raster operations, whose platform names are too plain to be
// global here, carry a prefix of their own.
#include <cstdint>

// Line style word: the kind in the low four bits, the ends and the joins above it.
// Dash patterns are in units of the pen's width.
inline constexpr int32_t PS_SOLID = 0;
inline constexpr int32_t PS_DASH = 1;        // 3 on, 1 off
inline constexpr int32_t PS_DOT = 2;         // 1 on, 1 off
inline constexpr int32_t PS_DASHDOT = 3;     // 3 on, 1 off, 1 on, 1 off
inline constexpr int32_t PS_DASHDOTDOT = 4;  // 3 on, 1 off, 1 on, 1 off, 1 on, 1 off
inline constexpr int32_t PS_NULL = 5;        // no line at all
inline constexpr int32_t PS_INSIDEFRAME = 6;  // drawn as a solid line
inline constexpr int32_t PS_USERSTYLE = 7;   // the style's own pattern; none is PS_NULL
inline constexpr int32_t PS_STYLE_MASK = 0xF;
inline constexpr int32_t PS_ENDCAP_ROUND = 0;
inline constexpr int32_t PS_ENDCAP_SQUARE = 0x100;
inline constexpr int32_t PS_ENDCAP_FLAT = 0x200;
inline constexpr int32_t PS_ENDCAP_MASK = 0xF00;
inline constexpr int32_t PS_JOIN_ROUND = 0;
inline constexpr int32_t PS_JOIN_BEVEL = 0x1000;
inline constexpr int32_t PS_JOIN_MITER = 0x2000;
inline constexpr int32_t PS_JOIN_MASK = 0xF000;

// Fill style types.
inline constexpr int32_t BS_SOLID = 0;       // fill_color
inline constexpr int32_t BS_NULL = 1;        // hollow: nothing is filled
inline constexpr int32_t BS_HATCHED = 2;     // hatch lines in fill_color, gaps in bk_color when opaque
inline constexpr int32_t BS_PATTERN = 3;     // two-colour tile: black pixels one class, the rest the other
inline constexpr int32_t BS_DIBPATTERN = 5;  // colour tile

// Hatch kinds of BS_HATCHED, on an 8 x 8 tile aligned to the target's origin.
inline constexpr int32_t HS_HORIZONTAL = 0;
inline constexpr int32_t HS_VERTICAL = 1;
inline constexpr int32_t HS_FDIAGONAL = 2;  // top left to bottom right
inline constexpr int32_t HS_BDIAGONAL = 3;  // bottom left to top right
inline constexpr int32_t HS_CROSS = 4;
inline constexpr int32_t HS_DIAGCROSS = 5;

// Background modes: whether text cells and hatch gaps are painted in bk_color.
inline constexpr int32_t BK_TRANSPARENT = 1;
inline constexpr int32_t BK_OPAQUE = 2;

// Polygon fill rules.
inline constexpr int32_t FILL_ALTERNATE = 1;  // even-odd
inline constexpr int32_t FILL_WINDING = 2;    // non-zero

// The sixteen binary raster operations of lines and fills: how the pen's or brush's
// word P combines with the destination word D.
inline constexpr int32_t ROP2_BLACK = 1;           // 0
inline constexpr int32_t ROP2_NOT_MERGE_PEN = 2;   // ~(D | P)
inline constexpr int32_t ROP2_MASK_NOT_PEN = 3;    // D & ~P
inline constexpr int32_t ROP2_NOT_COPY_PEN = 4;    // ~P
inline constexpr int32_t ROP2_MASK_PEN_NOT = 5;    // P & ~D
inline constexpr int32_t ROP2_NOT = 6;             // ~D
inline constexpr int32_t ROP2_XOR_PEN = 7;         // D ^ P
inline constexpr int32_t ROP2_NOT_MASK_PEN = 8;    // ~(D & P)
inline constexpr int32_t ROP2_MASK_PEN = 9;        // D & P
inline constexpr int32_t ROP2_NOT_XOR_PEN = 10;    // ~(D ^ P)
inline constexpr int32_t ROP2_NOP = 11;            // D
inline constexpr int32_t ROP2_MERGE_NOT_PEN = 12;  // D | ~P
inline constexpr int32_t ROP2_COPY = 13;           // P
inline constexpr int32_t ROP2_MERGE_PEN_NOT = 14;  // P | ~D
inline constexpr int32_t ROP2_MERGE_PEN = 15;      // D | P
inline constexpr int32_t ROP2_WHITE = 16;          // all ones

// The plain-copy raster operation of an image copy (gfx_put_image).
inline constexpr uint32_t SRCCOPY = 0x00CC0020;

// Text layout flags of text_in_rect; left and top are the 0 of their pairs.
inline constexpr uint32_t DT_LEFT = 0x0;
inline constexpr uint32_t DT_TOP = 0x0;
inline constexpr uint32_t DT_CENTER = 0x1;
inline constexpr uint32_t DT_RIGHT = 0x2;
inline constexpr uint32_t DT_VCENTER = 0x4;   // single lines only
inline constexpr uint32_t DT_BOTTOM = 0x8;    // single lines only
inline constexpr uint32_t DT_SINGLELINE = 0x20;
inline constexpr uint32_t DT_NOCLIP = 0x100;
inline constexpr uint32_t DT_CALCRECT = 0x400;  // measures into the rectangle, draws nothing

// Font output qualities; the antialiased ones blend glyph edges.
inline constexpr uint8_t NONANTIALIASED_QUALITY = 3;
inline constexpr uint8_t ANTIALIASED_QUALITY = 4;
inline constexpr uint8_t CLEARTYPE_QUALITY = 5;
inline constexpr uint8_t CLEARTYPE_NATURAL_QUALITY = 6;
