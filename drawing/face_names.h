#pragma once
// The font faces the program draws with, as GBK (code page 936) bytes: the names of
// the Windows desktop faces, which text_faces maps to installed fonts. The UTF-8
// reading of each name follows it in a comment.

namespace face_names {

inline constexpr char panel[] = "\xCE\xA2\xC8\xED\xD1\xC5\xBA\xDA";  // 微软雅黑 (Microsoft YaHei)
inline constexpr char message[] = "\xCB\xCE\xCC\xE5";                // 宋体 (SimSun)
inline constexpr char system[] = "System";

}  // namespace face_names
