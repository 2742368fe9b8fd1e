// The texts of the timer's only message boxes, for its command line. The end-to-end tests
// compare what the timer shows with these, so this header holds constants and nothing else.
#pragma once

namespace timer_texts {

constexpr wchar_t caption[] = L"Plinkett";

// The opening of each box; the accepted forms (`forms`) follow it.
constexpr wchar_t bad_argument[] =
    L"コマンドラインの指定を解釈できませんでした。タイマーは 00.00 で起動します。";
constexpr wchar_t usage[] = L"コマンドラインで起動時の時間を指定できます。";

constexpr wchar_t forms[] = L"\n\n"
                            L"Plinkett.exe [/nostart] 時間\n\n"
                            L"5\t5 分\n"
                            L"5:30  5.30  05.30\t5 分 30 秒\n"
                            L"90s\t90 秒（01.30）\n"
                            L"25m\t25 分\n"
                            L"1m30s\t1 分 30 秒\n"
                            L"0\tカウントアップ\n\n"
                            L"時間は 99.99 まで指定できます。指定した時間はすぐにスタートします。"
                            L"/nostart（-nostart）を付けると時間だけを設定し、"
                            L"START を押すまで待ちます。"
                            L"/nostart だけを指定すると、引数なしと同じように起動します。";

} // namespace timer_texts
