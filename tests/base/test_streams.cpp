#include <gtest/gtest.h>

#include <sys/resource.h>
#include <sys/stat.h>

#include <csignal>

#include <cstdint>
#include <filesystem>
#include <limits>
#include <stdexcept>
#include <string>

#include "zel_exceptions.h"
#include "zel_streams.h"
#include "zel_textfile.h"
#include "zel_test_env.h"

namespace fs = std::filesystem;
using namespace zel;

namespace {

std::string Contents(TMemoryStream& M) {
  return std::string(reinterpret_cast<const char*>(M.Memory()), static_cast<std::size_t>(M.Size()));
}

int FileCount(const std::string& Dir) {
  int n = 0;
  for ([[maybe_unused]] const auto& E : fs::directory_iterator(Dir)) ++n;
  return n;
}

// Limits the size of files this process may write, so that writes fail
// the way they do on a full disk.
class FileSizeLimit {
 public:
  explicit FileSizeLimit(rlim_t Bytes) {
    ::getrlimit(RLIMIT_FSIZE, &FOld);
    FOldHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit New = FOld;
    New.rlim_cur = Bytes;
    ::setrlimit(RLIMIT_FSIZE, &New);
  }
  ~FileSizeLimit() {
    ::setrlimit(RLIMIT_FSIZE, &FOld);
    std::signal(SIGXFSZ, FOldHandler);
  }
  FileSizeLimit(const FileSizeLimit&) = delete;
  FileSizeLimit& operator=(const FileSizeLimit&) = delete;

 private:
  rlimit FOld{};
  void (*FOldHandler)(int) = nullptr;
};

}  // namespace

TEST(MemoryStream, SeekSizeAndReadPastEnd) {
  TMemoryStream M;
  M.WriteBuffer("abc", 3);
  EXPECT_EQ(M.Seek(5, soBeginning), 5);
  EXPECT_EQ(M.Size(), 3);  // seeking past the end does not grow
  char Buf[8] = {};
  EXPECT_EQ(M.Read(Buf, 4), 0);
  M.WriteBuffer("Z", 1);  // the gap is filled with zeros
  EXPECT_EQ(Contents(M), std::string("abc\0\0Z", 6));
  EXPECT_EQ(M.Seek(-2, soEnd), 4);
  EXPECT_EQ(M.Read(Buf, 8), 2);  // a short read returns what is there
  EXPECT_EQ(M.Position(), 6);
  M.SetPosition(4);
  EXPECT_THROW(M.ReadBuffer(Buf, 3), EReadError);
  EXPECT_EQ(M.Read(Buf, -1), 0);

  EXPECT_THROW(M.Seek(-1, soBeginning), EStreamError);
  EXPECT_THROW(M.Seek(-7, soEnd), EStreamError);
  M.SetPosition(2);
  EXPECT_THROW(M.Seek(-3, soCurrent), EStreamError);
  EXPECT_EQ(M.Position(), 2);  // a failed seek leaves the position
  EXPECT_THROW(M.Seek(std::numeric_limits<std::int64_t>::max(), soEnd), EStreamError);

  // A write whose end would overflow moves nothing and allocates nothing.
  M.SetPosition(std::numeric_limits<std::int64_t>::max() - 1);
  EXPECT_EQ(M.Write("xy", 2), 0);
  EXPECT_THROW(M.WriteBuffer("xy", 2), EWriteError);
  EXPECT_EQ(M.Size(), 6);

  M.SetSize(2);  // the position follows a shrink
  EXPECT_EQ(M.Position(), 2);
  EXPECT_EQ(Contents(M), "ab");
  M.SetSize(4);
  EXPECT_EQ(Contents(M), std::string("ab\0\0", 4));
  EXPECT_THROW(M.SetSize(-1), EStreamError);
  M.Clear();
  EXPECT_EQ(M.Size(), 0);
  EXPECT_EQ(M.Position(), 0);
}

TEST(MemoryStream, CopyFromAndFiles) {
  TMemoryStream A;
  A.WriteBuffer("0123456789", 10);
  TMemoryStream B;
  EXPECT_EQ(B.CopyFrom(A, 0), 10);  // 0: all of A from its start
  EXPECT_EQ(Contents(B), "0123456789");
  A.SetPosition(7);
  EXPECT_THROW(B.CopyFrom(A, 4), EReadError);
  A.SetPosition(7);
  EXPECT_EQ(B.CopyFrom(A, 3), 3);
  EXPECT_EQ(Contents(B), "0123456789789");

  const std::string Dir = test::TempDir("memstream_files");
  B.SaveToFile(Dir + "/b.bin");
  EXPECT_EQ(test::ReadBytes(Dir + "/b.bin"), "0123456789789");
  TMemoryStream C;
  C.LoadFromFile(Dir + "/b.bin");
  EXPECT_EQ(Contents(C), "0123456789789");
  EXPECT_EQ(C.Position(), 0);
  try {
    C.LoadFromFile(Dir + "/missing.bin");
    ADD_FAILURE();
  } catch (const EFOpenError& E) {
    EXPECT_EQ(E.Message().rfind("Cannot open file \"" + Dir + "/missing.bin\"", 0), 0u) << E.Message();
  }
  EXPECT_EQ(Contents(C), "0123456789789");
}

TEST(FileStream, ModesAndMixedReadWrite) {
  const std::string Dir = test::TempDir("filestream_modes");
  const std::string Path = Dir + "/f.bin";
  EXPECT_THROW((TFileStream{Path, fmOpenRead}), EFOpenError);
  EXPECT_THROW((TFileStream{Dir, fmOpenRead}), EFOpenError);  // a folder is no file
  test::WriteBytes(Path, "abcdef");
  {
    TFileStream W(Path, fmOpenWrite);  // opens without truncating
    W.WriteBuffer("XY", 2);
    char C;
    EXPECT_EQ(W.Read(&C, 1), 0);  // write-only
  }
  EXPECT_EQ(test::ReadBytes(Path), "XYcdef");
  {
    TFileStream RW(Path, fmOpenReadWrite);
    char Buf[4] = {};
    RW.ReadBuffer(Buf, 2);
    RW.WriteBuffer("12", 2);  // switching direction keeps the position
    RW.ReadBuffer(Buf, 2);
    EXPECT_EQ(std::string(Buf, 2), "ef");
    RW.WriteBuffer("!", 1);
    EXPECT_EQ(RW.Size(), 7);  // counts bytes still buffered
    RW.Seek(2, soEnd);
    RW.WriteBuffer("Q", 1);
    RW.SetSize(9);
    EXPECT_EQ(RW.Position(), 9);
    EXPECT_THROW(RW.Seek(-1, soBeginning), EStreamError);
  }
  EXPECT_EQ(test::ReadBytes(Path), std::string("XY12ef!\0\0", 9));
  {
    TFileStream R(Path, fmOpenRead);
    EXPECT_EQ(R.Write("z", 1), 0);
    EXPECT_THROW(R.SetSize(1), EWriteError);
  }
}

TEST(FileStream, CreateReplacesTargetOnlyOnSuccess) {
  const std::string Dir = test::TempDir("filestream_create");
  const std::string Path = Dir + "/data.bin";
  test::WriteBytes(Path, "old");
  ::chmod(Path.c_str(), 0600);

  try {
    TFileStream S(Path, fmCreate);
    S.WriteBuffer("new content", 11);
    throw std::runtime_error("failure while writing");
  } catch (const std::runtime_error&) {
  }
  EXPECT_EQ(test::ReadBytes(Path), "old");
  EXPECT_EQ(FileCount(Dir), 1);
  {
    TFileStream S(Path, fmCreate);
    S.WriteBuffer("new", 3);
    S.Discard();
  }
  EXPECT_EQ(test::ReadBytes(Path), "old");
  EXPECT_EQ(FileCount(Dir), 1);
  {
    TFileStream S(Path, fmCreate);
    S.WriteBuffer("new", 3);
    EXPECT_EQ(test::ReadBytes(Path), "old");  // not before the stream is finished
  }
  EXPECT_EQ(test::ReadBytes(Path), "new");
  EXPECT_EQ(FileCount(Dir), 1);
  struct stat St {};
  ASSERT_EQ(::stat(Path.c_str(), &St), 0);
  EXPECT_EQ(St.st_mode & 0777, 0600u);  // the replacement keeps the permissions

  // A target that cannot be replaced: Commit raises and nothing is left behind.
  const std::string Blocked = Dir + "/blocked";
  {
    TFileStream S(Blocked, fmCreate);
    S.WriteBuffer("x", 1);
    fs::create_directory(Blocked);
    EXPECT_THROW(S.Commit(), EWriteError);
  }
  EXPECT_TRUE(fs::is_directory(Blocked));
  EXPECT_EQ(FileCount(Dir), 2);
  EXPECT_THROW((TFileStream{Blocked, fmCreate}), EFOpenError);
  EXPECT_THROW((TFileStream{Dir + "/none/x.bin", fmCreate}), EFOpenError);
}

TEST(FileWriters, FailedWriteKeepsTheTarget) {
  const std::string Dir = test::TempDir("filestream_full");
  const std::string Path = Dir + "/data.bin";
  test::WriteBytes(Path, "old");
  const std::string Big(100000, 'x');
  {
    TFileStream S(Path, fmCreate);
    FileSizeLimit Limit(1000);
    S.Write(Big.data(), static_cast<std::int64_t>(Big.size()));
    EXPECT_THROW(S.Commit(), EWriteError);
  }
  EXPECT_EQ(test::ReadBytes(Path), "old");
  EXPECT_EQ(FileCount(Dir), 1);
  {
    TFileStream S(Path, fmCreate);
    FileSizeLimit Limit(1000);
    EXPECT_THROW(S.WriteBuffer(Big.data(), static_cast<std::int64_t>(Big.size())), EWriteError);
  }  // the destructor commits nothing either
  EXPECT_EQ(test::ReadBytes(Path), "old");
  EXPECT_EQ(FileCount(Dir), 1);
  {
    TTextFile F;
    F.Rewrite(Path);
    FileSizeLimit Limit(1000);
    F.WriteLn(Big);
    EXPECT_FALSE(F.WriteOK());
    EXPECT_THROW(F.Close(), EInOutError);
  }
  EXPECT_EQ(test::ReadBytes(Path), "old");
  EXPECT_EQ(FileCount(Dir), 1);
}
