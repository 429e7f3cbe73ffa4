// Every user-facing text of the lookup window, in code page 936 (GBK).
// The window turns them into Qt strings in one place (app/gbk.h).
#pragma once

namespace chaxun::ui {

// Window caption and control captions.
inline constexpr char kCaption[] = "\xB2\xE9\xD1\xAF V0.1";  // 查询 V0.1
inline constexpr char kGroupCaption[] =
    "\xC7\xEB\xCA\xE4\xC8\xEB\xD2\xAA\xB2\xE9\xD1\xAF\xB5\xC4\xD0\xC5\xCF\xA2\xA3\xBA";  // 请输入要查询的信息：
inline constexpr char kPhoneCaption[] = "\xB5\xE7\xBB\xB0\xCA\xD6\xBB\xFA";  // 电话手机
inline constexpr char kIpCaption[] = "IP\xD3\xF2\xC3\xFB";                   // IP域名
inline constexpr char kIdCaption[] = "\xC9\xED\xB7\xDD\xD6\xA4";             // 身份证
inline constexpr char kPostalCaption[] = "\xD3\xCA\xB1\xE0";                 // 邮编
inline constexpr char kQueryCaption[] = "\xB2\xE9 \xD1\xAF";                 // 查 询

// Control names (object names of the widgets).
inline constexpr char kGroupName[] = "\xB7\xD6\xD7\xE9\xBF\xF2" "1";                // 分组框1
inline constexpr char kPhoneButtonName[] = "\xB0\xB4\xC5\xA5_\xB5\xE7\xBB\xB0";       // 按钮_电话
inline constexpr char kIpButtonName[] = "\xB0\xB4\xC5\xA5_IP";                        // 按钮_IP
inline constexpr char kIdButtonName[] = "\xB0\xB4\xC5\xA5_\xC9\xED\xB7\xDD\xD6\xA4";  // 按钮_身份证
inline constexpr char kPostalButtonName[] = "\xB0\xB4\xC5\xA5_\xD3\xCA\xB1\xE0";      // 按钮_邮编
inline constexpr char kInputBoxName[] = "\xB1\xE0\xBC\xAD\xBF\xF2_\xB2\xE9\xD1\xAF";  // 编辑框_查询
inline constexpr char kQueryButtonName[] = "\xB0\xB4\xC5\xA5_\xB2\xE9\xD1\xAF";       // 按钮_查询
inline constexpr char kDisplayBoxName[] = "\xB1\xE0\xBC\xAD\xBF\xF2_\xCF\xD4\xCA\xBE"; // 编辑框_显示

// Contents the program writes into the input box.
inline constexpr char kInitialInput[] = "\xC7\xF8\xBA\xC5-\xB5\xE7\xBB\xB0";  // 区号-电话
inline constexpr char kPhoneHint[] =
    "\xC7\xF8\xBA\xC5-\xB5\xE7\xBB\xB0 \xBF\xC9\xCE\xAA" "7"
    "\xCE\xBB\xCA\xD6\xBB\xFA\xBA\xC5\xC2\xEB\xB6\xCE";  // 区号-电话 可为7位手机号码段
inline constexpr char kPostalSample[] = "\xD6\xD8\xC7\xEC\xCA\xD0 \xC1\xBA\xC6\xBD\xCF\xD8";  // 重庆市 梁平县

// Messages.
inline constexpr char kErrorTitle[] = "\xB4\xED\xCE\xF3\xA3\xBA";  // 错误：
inline constexpr char kEmptyInputMessage[] =
    "\xC7\xEB\xCA\xE4\xC8\xEB\xD2\xAA\xB2\xE9\xD1\xAF\xB5\xC4\xC4\xDA\xC8\xDD\xA3\xA1";  // 请输入要查询的内容！
inline constexpr char kBadInputMessage[] =
    "\xC4\xE3\xCA\xE4\xC8\xEB\xB5\xC4\xD0\xC5\xCF\xA2\xD3\xD0\xCE\xF3\xA3\xA1";  // 你输入的信息有误！
inline constexpr char kShortPhoneHint[] =
    "\xC7\xEB\xCA\xE4\xC8\xEB\xCF\xEA\xCF\xB8\xD0\xC5\xCF\xA2\xA1\xA3\xA1\xA3\xA1\xA3";  // 请输入详细信息。。。

}  // namespace chaxun::ui
