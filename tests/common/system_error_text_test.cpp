#include "common/system_error_text.h"

#include <gtest/gtest.h>

#include <cerrno>

namespace tecris2nx {
namespace {

TEST(SystemErrorTextTest, CommonCausesHaveJapaneseTexts) {
  const std::pair<int, Text> rows[] = {
      {EACCES, U"アクセス権がありません"},         {EPERM, U"アクセス権がありません"},
      {ENOSPC, U"ディスクの空き領域が足りません"}, {EEXIST, U"同じ名前のものがあります"},
      {ENOTDIR, U"フォルダではありません"},        {EISDIR, U"フォルダです"},
      {0, U"システムエラー（エラー番号 0）"},      {99999, U"システムエラー（エラー番号 99999）"},
  };
  for (const auto& [number, text] : rows) EXPECT_EQ(SystemErrorText(number), text) << number;

  const std::pair<unsigned long, Text> windows[] = {
      {5, U"アクセス権がありません"},
      {32, U"ほかのプログラムが使用中です"},
      {112, U"ディスクの空き領域が足りません"},
      {183, U"同じ名前のものがあります"},
      {267, U"フォルダではありません"},
      {1234, U"システムエラー（エラー番号 1234）"},
      {123, U"名前に使えない文字があるか、名前の形が正しくありません"},
      {161, U"名前に使えない文字があるか、名前の形が正しくありません"},
      {206, U"名前が長すぎます"},
      {53, U"ネットワーク上の場所に接続できません"},
      {145, U"フォルダが空ではありません"},
      {1295, U"ディスクの空き領域が足りません"},
  };
  for (const auto& [code, text] : windows) EXPECT_EQ(WindowsErrorText(code), text) << code;
}

}  // namespace
}  // namespace tecris2nx
