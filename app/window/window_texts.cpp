#include "app/window/window_model.h"

namespace tecris2nx {

const Text kProgramTitle = U"TECRIS -> Nx 変換プログラム";
const Text kBusyMessage = U"只今変換中！　しばらくお待ちください。";
const Text kDoneMessage = U"変換が正常に終了しました。";
const Text kBadPathMessage = U"指定されたパスは正しくありません。";
const Text kTrailingSeparatorMessage = U"最後のフォルダに「￥」は要りません。";
const Text kCreateFolderQuestion = U"フォルダがありません。新規作成しますか？";
const Text kNothingSelectedMessage = U"変換元ファイルが選択されていません。";
const Text kDestinationNotFolderMessage =
    U"変換先に同じ名前のファイルがあります。変換先にはフォルダを指定してください。";
const Text kStopAndExitQuestion =
    U"変換中です。変換中のファイルが終わったところで中止して終了しますか？";
const Text kStoppedMessage = U"変換を中止しました。";
const Text kSearchingMessage = U"PATDAT を探しています…";
const Text kChoosePatternFolderTitle =
    U"PATDAT フォルダ（kishitu.txt のあるフォルダ）を選んでください";
const Text kNotPatternFolderMessage =
    U"選んだフォルダには kishitu.txt がないか、空です。PATDAT フォルダを選んでください。";
const Text kSamplePatternMarker = U"tecris2nx-sample.txt";
const Text kNoGuideMessage = U"利用者の手引き（tecris2nx-guide-ja.html）を開けません。";
const Text kGuideNotOpenedMessage =
    U"利用者の手引きを開くプログラムがありません。ブラウザで次のファイルを開いてください。";
const Text kDrawingLogMessage = U"柱状図を作成しています…";

Text PatternFolderHint(const std::vector<Text>& places) {
  // Some Japanese UI fonts draw the underscore below the line, where it is cut off: the name
  // is spelled out as well, so that it reads right in any font.
  Text hint =
      U"PATDAT フォルダを次のどこかに置くか、環境変数「TECRIS2NX_PATDAT」"
      U"（TECRIS2NX と PATDAT を半角の下線でつないだ名前）にその場所を設定してください。"
      U"次の画面でフォルダを選ぶこともできます。";
  for (const Text& place : places) hint += U"\n" + place;
  return hint;
}

Text LeftOutLine(std::size_t count) {
  if (count == 0) return Text();
  return DecimalText(static_cast<long long>(count)) +
         U" ファイルは TECRIS ファイルとして読めないため一覧にありません";
}

Text LeftOutTitle(std::size_t count) {
  return U"一覧にないファイル " + DecimalText(static_cast<long long>(count)) + U" 件";
}

Text FailedFilesList(const std::vector<std::pair<Text, Text>>& failures) {
  constexpr std::size_t kNamed = 5;
  Text list;
  for (std::size_t i = 0; i < failures.size() && i < kNamed; ++i) {
    if (i > 0) list += U'\n';
    list += failures[i].first + U": " + failures[i].second;
  }
  if (failures.size() > kNamed) {
    list +=
        U"\nほか " + DecimalText(static_cast<long long>(failures.size() - kNamed)) + U" ファイル";
  }
  return list;
}

Text FailureSummary(std::size_t total, std::size_t converted, std::size_t failed) {
  const auto number = [](std::size_t n) { return DecimalText(static_cast<long long>(n)); };
  return number(total) + U" ファイル中 " + number(converted) + U" ファイルを変換しました。" +
         number(failed) + U" ファイルは変換できませんでした（一覧をご覧ください）。";
}

}  // namespace tecris2nx
