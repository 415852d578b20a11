#include "Window/RunMonitor.h"

#include <QDateTime>
#include <gtest/gtest.h>

namespace {

TEST(ProgressValue, TheLeadingIntegerOfAChunk)
{
    const struct {
        const char* chunk;
        long value;
    } cases[] = {
        {"0 ", 0},
        {"12 13 ", 12},  // two percentages: the first one
        {"100\n", 100},
        {"  \n 57 58", 57},  // leading blanks and line ends are skipped
        {"7", 7},
        {"99 100\n", 99},
        {"couldn't open source data file for reading.\n", 0},
        {"", 0},
        {"42abc", 42},
        {"+5 ", 5},
        {"-3 ", -3},  // the gauge holds it at 0
    };
    for (const auto& c : cases)
        EXPECT_EQ(progressValue(c.chunk), c.value) << '"' << c.chunk << '"';
}

qint64 span(const QDateTime& start, const QDateTime& end)
{
    return start.msecsTo(end);
}

TEST(ElapsedText, HoursMinutesAndSecondsOfTheSpan)
{
    const QDate day(2024, 3, 9);
    const struct {
        QDateTime start, end;
        const char* text;
    } cases[] = {
        {QDateTime(day, QTime(23, 50, 0)), QDateTime(day.addDays(1), QTime(0, 20, 0)), "0h30m0s"},
        {QDateTime(day, QTime(10, 0, 0)), QDateTime(day, QTime(10, 12, 5)), "0h12m5s"},
        {QDateTime(day, QTime(10, 0, 0)), QDateTime(day, QTime(10, 0, 0, 999)), "0h0m0s"},
        {QDateTime(day, QTime(10, 0, 0)), QDateTime(day, QTime(11, 0, 59, 999)), "1h0m59s"},
        {QDateTime(day, QTime(8, 30, 0)), QDateTime(day.addDays(2), QTime(9, 45, 30)), "49h15m30s"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(elapsedText(span(c.start, c.end)).toStdString(), c.text) << c.text;
    EXPECT_EQ(elapsedText(-5000), "0h0m0s");
}

TEST(OutcomeText, TwoLinesOutcomeThenTime)
{
    EXPECT_EQ(outcomeText(RunOutcome::Done, 725000), "Done !\n0h12m5s");
    EXPECT_EQ(outcomeText(RunOutcome::Aborted, 725000), "Aborted !\n0h12m5s");
    EXPECT_EQ(outcomeText(RunOutcome::Failed, 3000), "Failed !\n0h0m3s");
}

TEST(EngineMessage, WhatTheEnginePrintedApartFromItsProgress)
{
    const struct {
        const char* output;
        const char* message;
    } cases[] = {
        {"couldn't open source data file for reading.\n", "couldn't open source data file for reading."},
        {"0 1 2 3 model not allowed.\n", "model not allowed."},
        {"0 12 13 \ncouldn't open out/run 2UP.out for writing.\n", "couldn't open out/run 2UP.out for writing."},
        // Numbers inside or after the message stay.
        {"0 5 seed 0 is not allowed: got 0 and 7.\n", "seed 0 is not allowed: got 0 and 7."},
        {"0 3rd value bad\n", "3rd value bad"},
        {"0 1 2 100\n", ""},
        {"", ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(engineMessage(c.output).toStdString(), c.message) << c.output;
}

TEST(FailureText, TheEnginesWordsOrElseItsExitStatus)
{
    EXPECT_EQ(failureText("0 model not allowed.\n", 1), "model not allowed.");
    EXPECT_EQ(failureText("0 1 2 ", 1), "The engine stopped with exit status 1.");
    EXPECT_EQ(failureText("", 139), "The engine was ended by signal 11.");
}

}  // namespace
