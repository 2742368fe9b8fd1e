// Every text the editor shows its user: captions, messages, labels and the fields' names. The
// end-to-end tests compare what the editor shows with these, so this header holds constants
// and nothing else.
#pragma once

namespace editor_texts {

// Captions of the message boxes: the not-found box, shown before any window exists, and every
// box owned by the editor's window.
constexpr wchar_t not_found_caption[] = L"PlinkettProperty";
constexpr wchar_t check_caption[] = L"チェック！";

constexpr wchar_t timer_not_found[] = L"Orvantiが見つかりません。";
constexpr wchar_t before_write[] =
    L"書き込みを開始します、Orvantiが終了している事を確認して下さい。";
constexpr wchar_t other_version[] = L"異なるバージョンのOrvantiは編集できません。";

// A failed read or write: what happened, then the path, the system's words for the error with
// its number in error_number_open .. error_number_close, then the advice.
constexpr wchar_t read_failure[] = L"ファイルを読み込めませんでした。何も書き込まずに終了します。";
constexpr wchar_t read_advice[] = L"ファイルが他のプログラムに開かれていないか、"
                                  L"フォルダではないかを確認して下さい。";
constexpr wchar_t write_failure[] = L"書き込めませんでした。ファイルは元のまま変更されていません。";
constexpr wchar_t write_advice[] = L"タイマーが起動したままでないか、"
                                   L"ファイルが読み取り専用でないか、"
                                   L"ディスクの空きが足りているかを確認して、"
                                   L"もう一度書き込んで下さい。";
constexpr wchar_t error_number_open[] = L"（エラー ";
constexpr wchar_t error_number_close[] = L"）";
// The editor's own words for its refusal of a file larger than any timer executable.
constexpr wchar_t file_too_large[] =
    L"ファイルが大きすぎます。タイマーの実行ファイルではないようです";

// A refused number box: number_refused_open, the field's name, number_refused_close.
constexpr wchar_t number_refused_open[] = L"「";
constexpr wchar_t number_refused_close[] =
    L"」には 0 から 65535 までの整数を入力して下さい。何も書き込んでいません。";

// The window's title after the start-up load: title_prefix and the version.
constexpr wchar_t title_prefix[] = L"Version ";

// The number fields as the refusal names them.
constexpr wchar_t alarm_time_field[] = L"アラーム時間（ミリ秒）";
constexpr wchar_t frequency_field[] = L"周波数（Hz）";
constexpr wchar_t duration_field[] = L"持続時間（ミリ秒）";
constexpr wchar_t interval_field[] = L"間隔（ミリ秒）";

// The controls' texts, top to bottom.
constexpr wchar_t alarm_time_label[] = L"アラーム時間（ミリ秒）:";
constexpr wchar_t frequency_label[] = L"周波数（Hz）:";
constexpr wchar_t duration_label[] = L"持続時間（ミリ秒）:";
constexpr wchar_t interval_label[] = L"間隔（ミリ秒）:";
constexpr wchar_t always_on_top_label[] = L"常に手前に表示";
constexpr wchar_t font_name_label[] = L"フォント名 :";
constexpr wchar_t write_label[] = L"書き込み";

// A write whose file was replaced but did not read back as written, shown as a failed write
// is, with these in place of write_failure and write_advice.
constexpr wchar_t unverified_write[] =
    L"ファイルは置き換えましたが、設定が意図したとおりに書き込まれていない可能性があります。";
constexpr wchar_t unverified_advice[] = L"ファイルを確認して下さい。"
                                        L"タイマーを起動して設定を確かめ、"
                                        L"必要ならもう一度書き込んで下さい。";

// A command-line path longer than the editor can take (1023 units), in the not-found box's
// place: the file may well be there.
constexpr wchar_t timer_path_too_long[] =
    L"Orvantiのパスが長すぎます。1023 文字までのパスを指定して下さい。";

// The advice of a write that could not make its new file in the timer's folder:
// folder_refused_open, the folder, folder_refused_close.
constexpr wchar_t folder_refused_open[] = L"フォルダ「";
constexpr wchar_t folder_refused_close[] =
    L"」に新しいファイルを作成できません。書き込みは同じフォルダに一時ファイルを作ってから"
    L"置き換えます。フォルダへの書き込みが許可されているかを確認して、もう一度書き込んで下さい。";

// A write that failed while something else changed the file: the editor's bytes are not there,
// and neither are the ones it read. Shown as a failed write is, with these in place of
// write_failure and write_advice.
constexpr wchar_t changed_meanwhile[] =
    L"書き込めませんでした。ファイルは書き込みの間に他のプログラムによって変更されています。";
constexpr wchar_t changed_meanwhile_advice[] = L"ファイルを確認して、"
                                               L"必要ならもう一度書き込んで下さい。";

// A write after which neither the old file nor the new one could be moved back under the
// file's name, shown as a failed write is with this in place of write_failure; the advice:
// old_file_open, the old file, new_file_open, the new file, put_back_open, the old file again,
// put_back_middle, the file's own name, put_back_close.
constexpr wchar_t under_other_name[] =
    L"書き込めませんでした。ファイルを元の名前に戻せなかったため、"
    L"タイマーは今、別の名前になっています。";
constexpr wchar_t old_file_open[] = L"元のファイル：「";
constexpr wchar_t new_file_open[] = L"」\n新しい設定のファイル：「";
constexpr wchar_t put_back_open[] = L"」\n\nタイマーを元に戻すには、「";
constexpr wchar_t put_back_middle[] = L"」の名前を「";
constexpr wchar_t put_back_close[] = L"」に変更して下さい。新しい設定を使うには、代わりに新しい設定"
                                     L"のファイルの名前を変更して下さい。";

// A write that succeeded but could not delete a file it made beside the timer.
constexpr wchar_t written[] = L"書き込みました。";
// Each file left beside the timer that the user may delete: left_over_open, the file,
// left_over_close, after the message.
constexpr wchar_t left_over_open[] = L"不要になったファイル「";
constexpr wchar_t left_over_close[] =
    L"」を削除できませんでした。このファイルは削除してかまいません。";

} // namespace editor_texts
