#pragma once
// The disclaimer dialog (注意事項) shown at start-up until the user asks not to see it again.

#include <array>
#include <string_view>

namespace corvala {

inline constexpr const char* kDisclaimerCaption = "注意事項";
inline constexpr const char* kDisclaimerClose = "閉じる";
inline constexpr const char* kDisclaimerDontShow = "次回から表示しない";

// The statements, each shown after "・".
inline constexpr std::array<std::string_view, 7> kDisclaimerStatements = {
    "本ソフトはシミュレーション専用のソフトであり、本ソフトから直接実際の売買を行うことはできません。各証券会社のシステムを　ご利用下さい。また、各種表示内容やチャートなどの表現について、証券会社のシステムとは異なる場合があります。",
    "本ソフトは、一日信用取引を想定しており、収録されたすべての　銘柄で買建・売建が可能になっています。実際の取引においては、一日信用取引でも売建ができない銘柄や、売建可能数量の上限に達し、売建できない場合があります。また、本ソフトでは特別空売り料を考慮していませんが、実際には掛かる場合があります。",
    "本ソフトで表示する歩み値は、独自推測法に基づく推定値であり、実際の歩み値とは異なります。取引の活発度などの参考にご利用下さい。",
    "本ソフトは5秒ごとのデータを元に描画したグラフのため、実際の日中足チャートのグラフとは若干異なる場合があります。",
    "本ソフトはデイトレード手法の参考に提供するものであり、投資を勧誘するものではありません。また、ソフトで使用している銘柄は推奨銘柄ではありません。",
    "本ソフトで使用するデータに誤りがあった場合でも、一切の責任を負いません。",
    "実際に投資される場合は、お客様ご自身の判断で行って下さい。",
};

}  // namespace corvala
