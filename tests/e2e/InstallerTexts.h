// The installer's own texts as the end-to-end tests expect to see them, in
// Shift_JIS (the sources are compiled to code page 932).
#pragma once

namespace e2e::texts {

inline constexpr char kTitle[] = "mivaroPatch";  // the application title: message box captions
inline constexpr char kFormCaption[] = "FormMain";  // the window's caption before a script sets one
inline constexpr char kStartCaption[] = "修正開始(&S)";
inline constexpr char kCancelCaption[] = "中止(&C)";
inline constexpr char kExitCaption[] = "終了(&X)";

// Start-up: no %LinkPath, the game not found, no %OutFiles.
inline constexpr char kM1[] = "初期化に失敗しました\n\"LinkPath\"セクションが見つかりません";
inline constexpr char kM2[] =
    "プログラムメニュー内に対象ソフトが見つかりません\n対象ソフトがインストールされていない可能性があります";
inline constexpr char kM3[] = "初期化に失敗しました\n\"OutFiles\"セクションが見つかりません";

// Start.
inline constexpr char kDone[] = "修正処理が正常に終了しました";
inline constexpr char kFailed[] = "修正に失敗しました";

// The folder dialog's instruction after the quoted game title.
inline constexpr char kInstruction[] = "がインストールされているディレクトリを指定してください";

}  // namespace e2e::texts
