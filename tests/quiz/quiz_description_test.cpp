// data.txt of the quiz folder: the five lines read, and every way one of them can be unusable.

#include <gtest/gtest.h>

#include "platform/cp932.h"
#include "quiz/quiz_description.h"

namespace corvala {
namespace {

TEST(QuizDescriptionTest, FiveLinesInAnyLineEndingGiveTheQuiz) {
    const QuizDescription want{"Q2022-47", "221104", "8473", "10:30:00", 18};
    for (const char* bytes : {"Q2022-47\r\n221104\r\n8473\r\n10:30:00\r\n18\r\n", "Q2022-47\n221104\n8473\n10:30:00\n18",
                              " Q2022-47 \r\n221104 \r\n 8473\r\n10:30:00\r\n18\r\nextra line\r\n"}) {
        const QuizDescriptionRead r = ReadQuizDescription(bytes);
        ASSERT_TRUE(r.quiz) << bytes << ": " << r.problem;
        EXPECT_EQ(*r.quiz, want);
        EXPECT_TRUE(r.problem.empty());
    }
    // The identifier is CP932 text like any other line; 0 is a start from the open.
    const QuizDescriptionRead r = ReadQuizDescription(EncodeCp932("第47回\r\n221104\r\n8473\r\n09:00:00\r\n0\r\n"));
    ASSERT_TRUE(r.quiz);
    EXPECT_EQ(r.quiz->id, "第47回");
    EXPECT_EQ(r.quiz->startBar, 0);
}

TEST(QuizDescriptionTest, AShortOrMalformedFileGivesNoQuizAndSaysWhichLine) {
    const struct {
        const char* bytes;
        const char* says;
    } cases[] = {
        {"", "行が足りません"},
        {"Q1\r\n221104\r\n8473\r\n10:30:00", "行が足りません"},
        {"\r\n221104\r\n8473\r\n10:30:00\r\n0", "1行目"},
        {"Q1\r\n221132\r\n8473\r\n10:30:00\r\n0", "2行目"},
        {"Q1\r\n2211\r\n8473\r\n10:30:00\r\n0", "2行目"},
        {"Q1\r\n221104\r\n84733\r\n10:30:00\r\n0", "3行目"},
        {"Q1\r\n221104\r\nabcd\r\n10:30:00\r\n0", "3行目"},
        {"Q1\r\n221104\r\n8473\r\n10:30\r\n1", "4行目"},
        {"Q1\r\n221104\r\n8473\r\n25:00:00\r\n1", "4行目"},
        {"Q1\r\n221104\r\n8473\r\n08:00:00\r\n5", "4行目"},
        {"Q1\r\n221104\r\n8473\r\n10:30:00\r\n-1", "5行目"},
        {"Q1\r\n221104\r\n8473\r\n10:30:00\r\n300", "5行目"},
        {"Q1\r\n221104\r\n8473\r\n10:30:00\r\n99999999999999999999", "5行目"},
        {"Q1\r\n221104\r\n8473\r\n10:30:00\r\n1.5", "5行目"},
        {"\xff\xfe\x01\r\n\r\n\r\n\r\n\r\n", "2行目"},  // bytes that are no CP932 still name a quiz
    };
    for (const auto& c : cases) {
        const QuizDescriptionRead r = ReadQuizDescription(c.bytes);
        EXPECT_FALSE(r.quiz) << c.bytes;
        EXPECT_NE(r.problem.find(c.says), std::string::npos) << c.bytes << " → " << r.problem;
    }
}

// From the open (start bar 0) the operator's time is never used, so it is not checked.
TEST(QuizDescriptionTest, TheStartTimeCountsOnlyWithAStartBar) {
    for (const char* time : {"08:59:59", "", "--"}) {
        const QuizDescriptionRead r = ReadQuizDescription(std::string("Q1\r\n221104\r\n8473\r\n") + time + "\r\n0\r\n");
        ASSERT_TRUE(r.quiz) << time << ": " << r.problem;
        EXPECT_EQ(r.quiz->startBar, 0);
    }
    EXPECT_FALSE(ReadQuizDescription("Q1\r\n221104\r\n8473\r\n08:59:59\r\n1\r\n").quiz);
}

TEST(QuizDescriptionTest, TheAnnouncedIdentifierIsDecodedLikeTheQuizs) {
    const std::string quest = EncodeCp932("第47回 \r\nnext line\r\n");
    EXPECT_EQ(AnnouncedQuizId(quest), "第47回");
    EXPECT_EQ(AnnouncedQuizId(quest), ReadQuizDescription(EncodeCp932("第47回\r\n221104\r\n8473\r\n09:00:00\r\n0\r\n")).quiz->id);
    EXPECT_EQ(AnnouncedQuizId(" Q48"), "Q48");
    EXPECT_EQ(AnnouncedQuizId(""), "");
}

}  // namespace
}  // namespace corvala
