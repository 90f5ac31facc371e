#include "DialogTemplates.h"

#include "Resource.h"

namespace {

using namespace Style;
using C = EControlClass;

const SDialogTemplate kForm = {
    IDD_TOMLET_FORM, QString(), QStringLiteral("System"), 10, 137, 151,
    kWsChild | kDsSetFont, 0,
    {
        {IDC_BODY, "IDC_BODY", C::Edit, QString(), 7, 70, 123, 73,
         kEsMultiline | kEsAutoVScroll | kWsVScroll | kWsBorder | kWsTabStop,
         Anchor::kStretchX | Anchor::kStretchY},
        {IDC_TITLE, "IDC_TITLE", C::Edit, QString(), 7, 13, 123, 12,
         kEsMultiline | kEsAutoVScroll | kWsVScroll | kWsBorder | kWsTabStop, Anchor::kStretchX},
        {IDC_ITEM_LIST, "IDC_ITEM_LIST", C::ListBox, QString(), 7, 27, 123, 41,
         kLbsNotify | kLbsNoIntegralHeight | kWsVScroll | kWsBorder | kWsTabStop,
         Anchor::kStretchX},
        {IDC_FILE_NAME, "IDC_FILE_NAME", C::Static, QStringLiteral("Tomlet"), 10, 4, 120, 8,
         kSsLeft | kWsGroup, Anchor::kStretchX},
        {IDC_COUNTER, "IDC_COUNTER", C::Static, QStringLiteral("0/0"), 7, 143, 123, 8,
         kSsRight | kWsGroup, Anchor::kStretchX | Anchor::kMoveY},
    }};

const SDialogTemplate kSearch = {
    IDD_SEARCH, QStringLiteral("검색"), QStringLiteral("System"), 10, 126, 130,
    kWsPopup | kWsCaption | kWsSysMenu | kDsModalFrame | kDsSetFont, 0,
    {
        {1, "IDOK", C::PushButton, QStringLiteral("OK"), 17, 112, 40, 11,
         kBsDefPushButton | kWsTabStop},
        {2, "IDCANCEL", C::PushButton, QStringLiteral("Cancel"), 66, 112, 40, 11,
         kBsPushButton | kWsTabStop},
        {IDC_TERM, "IDC_TERM", C::Edit, QString(), 41, 38, 73, 12,
         kEsAutoHScroll | kWsBorder | kWsTabStop},
        {IDC_STATIC, "IDC_STATIC", C::Static, QStringLiteral("검색어"), 9, 38, 25, 8,
         kSsLeft | kWsGroup},
    }};

// The radio buttons carry a tab stop, a desktop addition: without one the order could not be
// chosen from the keyboard.
const SDialogTemplate kSetupAuto = {
    IDD_SETUP_AUTO, QStringLiteral("자동 보기"), QStringLiteral("System"), 10, 135, 142,
    kWsChild | kWsCaption | kDsSetFont, 0,
    {
        {IDC_PERIOD, "IDC_PERIOD", C::Edit, QString(), 77, 20, 32, 12,
         kWsBorder | kEsAutoHScroll | kWsTabStop},
        {IDC_SEQUENTIAL, "IDC_SEQUENTIAL", C::RadioButton, QStringLiteral("순차적으로 바꿈"), 19,
         56, 74, 10, kBsAutoRadioButton | kWsGroup | kWsTabStop},
        {IDC_RANDOM, "IDC_RANDOM", C::RadioButton, QStringLiteral("임의로 바꿈"), 19, 67, 58, 10,
         kBsAutoRadioButton | kWsGroup | kWsTabStop},
        {IDC_STATIC, "IDC_STATIC", C::Static, QStringLiteral("주기(ms) :"), 21, 20, 38, 12,
         kSsLeft | kSsCenterImage},
        {IDC_STATIC, "IDC_STATIC", C::GroupBox, QStringLiteral("자동 보기 순서"), 7, 43, 121, 40,
         kBsGroupBox},
        {IDC_PERIOD_UP, "IDC_PERIOD_UP", C::PushButton, QStringLiteral(">"), 110, 20, 8, 12,
         kBsPushButton | kWsTabStop},
        {IDC_PERIOD_DOWN, "IDC_PERIOD_DOWN", C::PushButton, QStringLiteral("<"), 68, 20, 8, 12,
         kBsPushButton | kWsTabStop},
        {IDC_STATIC, "IDC_STATIC", C::GroupBox, QStringLiteral("자동 보기 시간"), 7, 7, 121, 31,
         kBsGroupBox | kWsGroup},
    }};

const SDialogTemplate kAbout = {
    IDD_ABOUTBOX, QStringLiteral("About Tomlet"), QStringLiteral("System"), 8, 126, 141,
    kWsPopup | kWsCaption | kDsSetFont, kWsExCaptionOkButton,
    {
        {IDC_STATIC, "IDC_STATIC", C::Icon, QStringLiteral("135"), 11, 12, 20, 20, kSsIcon},
        {IDC_STATIC, "IDC_STATIC", C::Static, QStringLiteral("Tomlet Version 1.0"), 40, 10, 65, 8,
         kSsLeft | kSsNoPrefix | kWsGroup},
        {IDC_STATIC, "IDC_STATIC", C::Static, QStringLiteral("(C) 2026 Tomlet"), 40, 21,
         65, 8, kSsLeft},
        {IDC_STATIC, "IDC_STATIC", C::Static, QStringLiteral("항목별 책 읽기"), 23,
         42, 74, 8, kSsLeft},
        {IDC_STATIC, "IDC_STATIC", C::Static, QStringLiteral("만든 이: Tomlet 개발팀"), 23, 52, 96,
         8, kSsLeft},
        {IDC_STATIC, "IDC_STATIC", C::Static, QStringLiteral("자고 싶다...냠냠냠..."), 23, 78, 75,
         8, kSsLeft},
    }};

const SDialogTemplate kNone = {0, QString(), QStringLiteral("System"), 10, 0, 0, 0, 0, {}};

} // namespace

const SDialogTemplate& DialogTemplateById(int id) {
    for (const SDialogTemplate* t : {&kForm, &kSearch, &kSetupAuto, &kAbout}) {
        if (t->id == id)
            return *t;
    }
    return kNone;
}
