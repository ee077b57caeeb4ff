#include "sim/transcript.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>

namespace kestrel::sim {
namespace {

TEST(Transcript, BytesBecomePlainTextLineByLine) {
  EXPECT_EQ(TranscriptText("A\r\nB\x04\xff\x7f"), "A\\r\\n\n   B\\x04\\xff\\x7f");
}

TEST(Transcript, SecretBytesSentAreAsterisksAndReceivedOnesComeMasked) {
  QTemporaryDir folder;
  {
    Transcript transcript({Transcripts::Kind::kFolder, folder.path()}, 3);
    transcript.Sent("Password: ", false);
    transcript.Received("**");
    transcript.Event("typed (password)");
    transcript.Sent("s3", true);
    transcript.Sent("cret", true);
    transcript.Event("typed \x04");
  }
  QFile file(folder.filePath("session-3.log"));
  ASSERT_TRUE(file.open(QIODevice::ReadOnly));
  EXPECT_EQ(file.readAll().toStdString(),
            ">> Password: \n<< **\n-- typed (password)\n>> **\n>> ****\n-- typed \\x04\n");
}

}  // namespace
}  // namespace kestrel::sim
