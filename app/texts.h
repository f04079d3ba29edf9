#pragma once
// Every text the user can see, as GBK (code page 936) bytes. Nothing else in the
// program spells out a user-visible text; conversion to UTF-8 or UTF-32 happens only
// at the platform edge. The UTF-8 reading of each text follows it in a comment.

#include "drawing/face_names.h"

namespace texts {

inline constexpr char caption_initialising[] = "Vorlane      \xB3\xF5\xCA\xBC\xBB\xAF\xD6\xD0...";  // Vorlane      初始化中...
inline constexpr char caption_main[] = "Vorlane      By Corvalis";

inline constexpr char msg_bad_file_name[] = "\xCE\xC4\xBC\xFE\xC3\xFB\xB1\xD8\xD0\xEB\xCE\xAA Tessary.exe";  // 文件名必须为 Tessary.exe
inline constexpr char msg_bad_arguments[] =
    "\xD0\xE8\xBD\xAB\xCD\xBC\xCF\xF1\xCD\xCF\xB8\xF8\xB3\xCC\xD0\xF2\xB2\xC5\xC4\xDC\xD4\xCB\xD0\xD0";  // 需将图像拖给程序才能运行
inline constexpr char msg_second_instance[] = "\xD6\xBB\xC4\xDC\xD4\xCB\xD0\xD0\xD2\xBB\xB8\xF6 Tessary.exe";  // 只能运行一个 Tessary.exe
inline constexpr char msg_unreadable_picture[] =
    "\xCE\xDE\xB7\xA8\xB6\xC1\xC8\xEB\xCD\xBC\xCF\xF1\xCE\xC4\xBC\xFE\xBB\xF2\xC6\xE4\xCE\xAA\xBF\xD5";  // 无法读入图像文件或其为空

inline constexpr char msg_saved_format[] = "\xB3\xC9\xB9\xA6\xB1\xA3\xB4\xE6\xB5\xBD %s \xC7\xEB\xB2\xE9\xBF\xB4";  // 成功保存到 %s 请查看
inline constexpr char msg_save_failed_format[] = "\xB1\xA3\xB4\xE6\xCA\xA7\xB0\xDC\xA3\xBA%s";  // 保存失败：%s
// 成功保存到 %s，原图已变或不可读，PNG 为显示尺寸
inline constexpr char msg_saved_shown_size_format[] =
    "\xB3\xC9\xB9\xA6\xB1\xA3\xB4\xE6\xB5\xBD %s\xA3\xAC\xD4\xAD\xCD\xBC\xD2\xD1\xB1\xE4\xBB\xF2\xB2\xBB\xBF\xC9\xB6\xC1"
    "\xA3\xAC" "PNG \xCE\xAA\xCF\xD4\xCA\xBE\xB3\xDF\xB4\xE7";
// The window's caption while a long save runs: Vorlane      正在保存 %d%%
inline constexpr char caption_saving_format[] = "Vorlane      \xD5\xFD\xD4\xDA\xB1\xA3\xB4\xE6 %d%%";
inline constexpr char caption_save[] = "\xB1\xA3\xB4\xE6\xCD\xBC\xC6\xAC";  // 保存图片

// The face names belong to the drawing code, which knows what stands in for them.
inline constexpr const auto& font_panel = face_names::panel;
inline constexpr const auto& font_message = face_names::message;
inline constexpr const auto& font_system = face_names::system;

// Panel row captions, top to bottom, in 25-byte fields.
inline constexpr char panel_labels[12][25] = {
    "\xD1\xD5\xC9\xAB\xC8\xDD\xB2\xEE\xA3\xBA",  // 颜色容差：
    "\xB4\xD6\xB3\xDF\xB4\xE7\xD6\xB5\xA3\xBA",  // 粗尺寸值：
    "\xB2\xEE\xD6\xB5\xCB\xE3\xB7\xA8\xA3\xBA",  // 差值算法：
    "\xB1\xC8\xBD\xCF\xB7\xBD\xCA\xBD\xA3\xBA",  // 比较方式：
    "\xB9\xB4\xC0\xD5\xC9\xAB        \xB1\xB3\xBE\xB0\xC9\xAB",  // 勾勒色        背景色
    "\xB7\xB4\xC9\xAB\xB4\xA6\xC0\xED",  // 反色处理
    "\xB0\xFC\xBA\xAC\xC4\xDA\xB5\xE3\xA3\xBA",  // 包含内点：
    "\xC9\xBE\xB3\xFD\xD1\xA1\xB6\xA8",  // 删除选定
    "\xCD\xBC\xC6\xAC\xB7\xB6\xCE\xA7\xA3\xBA",  // 图片范围：
    "\xBA\xF3\xCD\xCB",  // 后退
    "\xC7\xB0\xBD\xF8",  // 前进
    "\xB1\xA3\xB4\xE6\xCD\xBC\xC6\xAC",  // 保存图片
};

// Value texts of the four two-valued settings, indexed by the setting.
inline constexpr char distance_labels[2][10] = {"\xCB\xE3\xCA\xF5\xBE\xE0\xC0\xEB", "\xC5\xB7\xCA\xCF\xBE\xE0\xC0\xEB"};  // 算术距离, 欧氏距离
inline constexpr char reference_labels[2][10] = {"\xC1\xDA\xCE\xAA\xBB\xF9\xD7\xBC", "\xCA\xD7\xCE\xAA\xBB\xF9\xD7\xBC"};  // 邻为基准, 首为基准
inline constexpr char include_labels[2][10] = {"\xC8\xA1\xCF\xFB\xB0\xFC\xBA\xAC", "\xD1\xA1\xC8\xA1\xB0\xFC\xBA\xAC"};  // 取消包含, 选取包含
inline constexpr char range_labels[2][10] = {"\xC9\xBE\xB2\xBB\xC8\xEB\xCD\xBC", "\xC9\xBE\xD2\xB2\xC8\xEB\xCD\xBC"};  // 删不入图, 删也入图

}  // namespace texts
