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
const Text kDrawingLogMessage = U"柱状図を作成しています…";

Text PatternFolderHint() {
#ifdef _WIN32
  return U"PATDAT フォルダをプログラムと同じフォルダか %LOCALAPPDATA%\\tecris2nx\\PATDAT、"
         U"%ProgramData%\\tecris2nx\\PATDAT に置くか、環境変数 TECRIS2NX_PATDAT でその場所を"
         U"指定してください。次の画面でフォルダを選ぶこともできます。";
#else
  return U"PATDAT フォルダをプログラムと同じフォルダか <prefix>/share/tecris2nx/PATDAT "
         U"に置くか、環境変数 TECRIS2NX_PATDAT でその場所を指定してください。"
         U"次の画面でフォルダを選ぶこともできます。";
#endif
}

Text FailureSummary(std::size_t total, std::size_t converted, std::size_t failed) {
  const auto number = [](std::size_t n) { return DecimalText(static_cast<long long>(n)); };
  return number(total) + U" ファイル中 " + number(converted) + U" ファイルを変換しました。" +
         number(failed) + U" ファイルは変換できませんでした（一覧をご覧ください）。";
}

}  // namespace tecris2nx
