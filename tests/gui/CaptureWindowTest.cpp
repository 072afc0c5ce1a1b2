// The log's capture entries: one enabled at a time, and what the window
// sends while capturing is in the file, named after the card.
#include <gtest/gtest.h>

#include <QAction>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <fstream>
#include <iterator>

#include "link/Pcapng.h"
#include "shell/ui/FWUnit1.h"
#include "sim/ReplayCard.h"
#include "sim/SimulatedCard.h"
#include "support/TempFolder.h"

namespace {

using namespace std::chrono_literals;

std::vector<std::uint8_t> ReadAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// Which of the two entries a fresh menu enables: start, stop.
std::pair<bool, bool> EntriesEnabled(TForm1& form) {
    QMenu menu;
    form.Capture().AddActions(menu, form);
    const auto* start = menu.findChild<QAction*>("CaptureStart");
    const auto* stop = menu.findChild<QAction*>("CaptureStop");
    EXPECT_EQ(start->text(), "Capture Card Traffic...");
    EXPECT_EQ(stop->text(), "Stop Capture");
    return {start->isEnabled(), stop->isEnabled()};
}

TEST(CaptureWindow, WhatTheWindowSendsWhileCapturingIsInTheFile) {
    kovex::VirtualClock clock;
    kovex::SimulatedCard card{clock};
    TForm1 form{card, clock, [&clock] {
                    QCoreApplication::processEvents();
                    clock.Advance(1ms);
                }};
    form.Capture().SetCardKind(kovex::SIMULATED_CARD_PREFIX);
    const std::string path = kovex::scratch::RunFolder() + "window.pcapng";

    EXPECT_EQ(EntriesEnabled(form), std::make_pair(true, false));
    QTest::mouseClick(form.findChild<QPushButton*>("Button1"), Qt::LeftButton);
    form.Capture().Start(path);
    EXPECT_EQ(EntriesEnabled(form), std::make_pair(false, true));
    QTest::mouseClick(form.findChild<QPushButton*>("Button4"), Qt::LeftButton);
    form.Capture().Stop();
    EXPECT_EQ(EntriesEnabled(form), std::make_pair(true, false));
    // Not recorded: the capture has stopped.
    QTest::mouseClick(form.findChild<QPushButton*>("Button4"), Qt::LeftButton);

    const kovex::CaptureContents read = kovex::ReadCapture(ReadAll(path));
    EXPECT_TRUE(read.stopped.empty()) << read.stopped;
    EXPECT_EQ(read.interfaces, std::vector<std::string>{"simulated 0000:03:07.0"});
    ASSERT_EQ(read.packets.size(), 2U);
    EXPECT_EQ(read.packets[0].bytes,
              (std::vector<std::uint8_t>{0x00, 0x5A, 0xF0, 0x08, 0x00, 0xFF}));
    EXPECT_EQ(read.packets[1].direction, kovex::PacketDirection::Inbound);
    const QString log = form.findChild<QPlainTextEdit*>("Memo1")->toPlainText();
    EXPECT_TRUE(log.contains(QString::fromStdString("Capture stopped: 2 packets in " + path)))
        << log.toStdString();

    // The window on a card that replays the capture logs the same version.
    kovex::VirtualClock replayClock;
    std::string error;
    const auto replay = kovex::ReplayCard::FromFile(path, replayClock, error);
    ASSERT_NE(replay, nullptr) << error;
    std::vector<std::string> told;
    replay->OnMismatch([&told](const std::string& line) { told.push_back(line); });
    TForm1 again{*replay, replayClock, [&replayClock] {
                     QCoreApplication::processEvents();
                     replayClock.Advance(1ms);
                 }};
    QTest::mouseClick(again.findChild<QPushButton*>("Button1"), Qt::LeftButton);
    QTest::mouseClick(again.findChild<QPushButton*>("Button4"), Qt::LeftButton);
    const QStringList lines = again.findChild<QPlainTextEdit*>("Memo1")->toPlainText().split('\n');
    EXPECT_EQ(lines.last(), "Firmware version from KOVEX = KOVEX 2.14 sim");
    EXPECT_TRUE(told.empty());
}

}  // namespace
