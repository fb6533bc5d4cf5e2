// TMatrix file formats: exact round trips of every writer, files written by
// numpy and ElementTree, hostile input for every reader, and writers that
// fail part-way leaving the old file as it was.
#include <gtest/gtest.h>

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cfloat>
#include <cmath>
#include <csignal>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include "zel_ascfile.h"
#include "zel_blockfile.h"
#include "zel_math1_text.h"
#include "zel_matrix.h"
#include "zel_random.h"
#include "zel_test_env.h"

using namespace zel;
using zel::test::ReadBytes;
using zel::test::TempDir;
using zel::test::WriteBytes;

namespace {

// Random magnitudes over 40 decades, with the values whose text or binary
// forms are easy to get wrong put at fixed places.
void FillTricky(TMatrix& M, int NC, int NR) {
  M.Resize(NC, NR);
  for (int c = 1; c <= NC; ++c)
    for (int r = 1; r <= NR; ++r) M.SetVal(c, r, (Random() - 0.5) * std::pow(10.0, Random(40) - 20));
  const double Special[] = {0.0,    -0.0,     4.9406564584124654e-324, -2.2250738585072009e-308, DBL_MAX, -DBL_MAX,
                            DBL_MIN, 0.1, 1e-5, 9.999999999999999e14, 1e15, 123456789012345678.0, -1.0 / 3};
  int k = 0;
  for (const double X : Special) M.SetVal(1 + k % NC, 1 + (k / NC) % NR, X), ++k;
}

::testing::AssertionResult SameBits(const TMatrix& A, const TMatrix& B) {
  if (A.NrOfColumns() != B.NrOfColumns() || A.NrOfRows() != B.NrOfRows())
    return ::testing::AssertionFailure() << "shape " << B.NrOfColumns() << "x" << B.NrOfRows();
  for (int c = 1; c <= A.NrOfColumns(); ++c)
    for (int r = 1; r <= A.NrOfRows(); ++r) {
      const double X = A.GetVal(c, r), Y = B.GetVal(c, r);
      if (std::memcmp(&X, &Y, 8) != 0 && !(std::isnan(X) && std::isnan(Y)))
        return ::testing::AssertionFailure() << "(" << c << "," << r << "): " << X << " read back as " << Y;
    }
  return ::testing::AssertionSuccess();
}

// Runs Write in a child process that may not grow a file beyond Limit
// bytes (writes beyond it fail with EFBIG); returns Write's result, 98 when
// it raised.
int WithFileSizeLimit(rlim_t Limit, const std::function<int()>& Write) {
  std::fflush(nullptr);
  const pid_t Pid = fork();
  if (Pid == 0) {
    std::signal(SIGXFSZ, SIG_IGN);
    const rlimit Rl{Limit, Limit};
    setrlimit(RLIMIT_FSIZE, &Rl);
    int Rc = 98;
    try {
      Rc = Write();
    } catch (...) {
    }
    _exit(Rc & 0xFF);
  }
  int Status = 0;
  waitpid(Pid, &Status, 0);
  return WIFEXITED(Status) ? WEXITSTATUS(Status) : -1;
}

// Sum of all elements, column by column.
double Total(const TMatrix& M) {
  double S = 0;
  for (int c = 1; c <= M.NrOfColumns(); ++c)
    for (int r = 1; r <= M.NrOfRows(); ++r) S += M.GetVal(c, r);
  return S;
}

std::size_t FilesIn(const std::string& Dir) {
  return static_cast<std::size_t>(std::distance(std::filesystem::directory_iterator(Dir), {}));
}

// The expected elements of the reference files.
void LoadReferenceValues(TMatrix& M) {
  std::ifstream F(zel::test::DataPath("matrix_io_ref_values.tsv"));
  std::string Line;
  M.Resize(3, 5);
  while (std::getline(F, Line)) {
    if (Line.empty() || Line[0] == '#') continue;
    std::istringstream S(Line);
    int c = 0, r = 0;
    std::string Hex;
    S >> c >> r >> Hex;
    M.SetVal(c, r, HexToDouble(Hex));
  }
}

}  // namespace

// ---- round trips -------------------------------------------------------------------

TEST(MatrixIO, EveryWriterReadsBackBitExactly) {
  const std::string Dir = TempDir("matrix_io_roundtrip");
  TMatrix A;
  FillTricky(A, 7, 11);
  A.SetVal(2, 3, std::numeric_limits<double>::infinity());
  A.SetVal(3, 3, -std::numeric_limits<double>::infinity());
  A.SetVal(4, 3, std::numeric_limits<double>::quiet_NaN());
  A.SetDataID("values & <more>");

  TMatrix B;
  A.SaveAsXMLFile(Dir + "/a.xml", A.DataID());
  ASSERT_TRUE(B.LoadFromXMLFile(Dir + "/a.xml", A.DataID()));
  EXPECT_TRUE(SameBits(A, B)) << "xml file";

  TMemoryStream S;
  A.WriteToXMLStream(S, false, "x");
  S.SetPosition(0);
  TMatrix C;
  ASSERT_TRUE(C.ReadFromXMLStream(S, "x"));
  EXPECT_TRUE(SameBits(A, C)) << "xml stream";

  A.SaveBinary(Dir + "/a.bin");
  TMatrix D;
  ASSERT_EQ(D.LoadBinary(Dir + "/a.bin"), 0);
  EXPECT_TRUE(SameBits(A, D)) << "binary";
  EXPECT_EQ(D.DataID(), A.DataID());

  ASSERT_TRUE(A.StoreOnFile(0, 0, 0, 0, Dir + "/a.txt"));
  TMatrix E;
  ASSERT_TRUE(E.LoadFromFile(Dir + "/a.txt", true));
  EXPECT_TRUE(SameBits(A, E)) << "plain text";

  TMemoryStream* Mem = nullptr;
  A.SaveToStream(Mem, 0, 0, 0, 0);
  std::unique_ptr<TMemoryStream> Own(Mem);
  Mem->SetPosition(0);
  TMatrix F;
  ASSERT_TRUE(F.LoadFromStream(Mem, true));
  EXPECT_TRUE(SameBits(A, F)) << "stream";

  // ASC: NAN is the missing-value word and reads as 0; everything else exact.
  ASSERT_EQ(A.ExportAsASC(Dir + "/a.asc", -1, ""), 0);
  TMatrix G;
  std::string Comment;
  ASSERT_EQ(G.ImportASC(Dir + "/a.asc", Comment), 0);
  A.SetVal(4, 3, 0);
  EXPECT_TRUE(SameBits(A, G)) << "asc";
  EXPECT_EQ(Comment, "Exported by ZEL TMatrix component: " + Dir + "/a.asc");
}

// Files larger than the reader's 1 MB blocks: numbers cut by a block end.
TEST(MatrixIO, AscValuesAcrossReadBlocks) {
  const std::string Dir = TempDir("matrix_io_blocks");
  TMatrix A, B;
  FillTricky(A, 3, 40000);
  ASSERT_EQ(A.ExportAsASC(Dir + "/big.asc", -1, "big"), 0);
  ASSERT_GT(std::filesystem::file_size(Dir + "/big.asc"), 2u << 20);
  std::string Comment;
  ASSERT_EQ(B.ImportASC(Dir + "/big.asc", Comment), 0);
  EXPECT_TRUE(SameBits(A, B));
}

TEST(MatrixIO, RectanglesLandAtTheirPlace) {
  const std::string Dir = TempDir("matrix_io_rect");
  TMatrix A, B;
  FillTricky(A, 6, 5);
  ASSERT_TRUE(A.StoreOnFile(5, 4, 2, 2, Dir + "/r.txt"));  // reversed bounds are exchanged
  EXPECT_EQ(ReadBytes(Dir + "/r.txt").substr(0, 9), "2 2 5 4\r\n");
  B.Resize(3, 3);
  EXPECT_FALSE(B.LoadFromFile(Dir + "/r.txt", false));  // too small and not adjusted: nothing read
  ASSERT_TRUE(B.LoadFromFile(Dir + "/r.txt", true));
  ASSERT_EQ(B.NrOfColumns(), 5);
  ASSERT_EQ(B.NrOfRows(), 4);
  for (int c = 1; c <= 5; ++c)
    for (int r = 1; r <= 4; ++r) EXPECT_EQ(B.GetVal(c, r), (c >= 2 && r >= 2) ? A.GetVal(c, r) : 0.0) << c << r;

  TMemoryStream S;
  A.SaveToStream(S, 2, 3, 4, 5);
  S.SetPosition(0);
  TMatrix C;
  C.Resize(6, 6);
  int Events = 0;
  C.OnChange = [&](TObject*) { ++Events; };
  ASSERT_TRUE(C.LoadFromStream(&S, false));
  EXPECT_EQ(Events, 1);
  EXPECT_EQ(C.GetVal(4, 5), A.GetVal(4, 5));
  EXPECT_EQ(C.GetVal(1, 5), 0.0);
}

// ---- files of other writers --------------------------------------------------------

TEST(MatrixIO, ReadsNumpyAndElementTreeFilesAndWritesTheSameBinaryLayout) {
  TMatrix Want;
  LoadReferenceValues(Want);
  const std::string Bin = zel::test::DataPath("matrix_io_ref.bin");

  int NC = 0, NR = 0, Format = 0;
  std::string Id;
  EXPECT_TRUE(TMatrix::ReadBinaryHeader(Bin, NC, NR, Id, Format));
  EXPECT_EQ(NC, 3);
  EXPECT_EQ(NR, 5);
  EXPECT_EQ(Id, "Ref \xFC\xDF");
  EXPECT_EQ(Format, 1);

  TMatrix M;
  ASSERT_EQ(M.LoadBinary(Bin), 0);
  EXPECT_TRUE(SameBits(Want, M));
  const std::string Dir = TempDir("matrix_io_ref");
  M.SaveBinary(Dir + "/copy.bin");
  EXPECT_EQ(ReadBytes(Dir + "/copy.bin"), ReadBytes(Bin));  // header, order, padding

  TMatrix A;
  std::string Comment;
  ASSERT_EQ(A.ImportASC(zel::test::DataPath("matrix_io_ref.asc"), Comment), 0);  // LF ends, names
  EXPECT_TRUE(SameBits(Want, A));
  EXPECT_EQ(Comment, "reference written by numpy");

  TMatrix X;
  ASSERT_TRUE(X.LoadFromXMLFile(zel::test::DataPath("matrix_io_ref.xml"), "Ref \xFC\xDF"));
  EXPECT_TRUE(SameBits(Want, X));
  ASSERT_TRUE(X.LoadFromXMLFile(zel::test::DataPath("matrix_io_ref.xml"), ""));  // the first element
  EXPECT_EQ(X.NrOfColumns(), 1);
  EXPECT_EQ(X.GetVal(1, 1), 42.0);
}

// ---- XML -------------------------------------------------------------------------------

TEST(MatrixIO, XmlElementStartsFromZerosAndIgnoresOutsideCells) {
  TMatrix M;
  M.Resize(3, 2);
  M.Fill(9);
  const std::string Text =
      "<matrix><numcols>3</numcols><numrows>\r\n 2</numrows>"
      "<cell ix=\"1\" iy=\"1\">1.5</cell><cell ix=\"3\" iy=\"2\"> -2E3 </cell>"
      "<cell ix=\"4\" iy=\"1\">7</cell><cell ix=\"0\" iy=\"2\">7</cell><cell iy=\"3\" ix=\"1\">7</cell></matrix>";
  TMemoryStream S;
  S.WriteBuffer(Text.data(), static_cast<std::int64_t>(Text.size()));
  S.SetPosition(0);
  ASSERT_TRUE(M.ReadFromXMLStream(S, ""));
  EXPECT_EQ(M.NrOfColumns(), 3);
  EXPECT_EQ(M.NrOfRows(), 2);
  EXPECT_EQ(Total(M), 1.5 - 2000.0);  // the five cells written, the rest 0
  EXPECT_FALSE(M.FirstCell);

  // An element without cells changes nothing but the recorded dimensions.
  TMatrix N;
  N.Resize(2, 2);
  N.Fill(4);
  TTextFile T;
  T.ResetFromString("<matrix><numcols>5</numcols></matrix>");
  ASSERT_TRUE(N.ReadFromOpenXMLFile(T, ""));
  EXPECT_EQ(N.NrOfColumns(), 2);
  EXPECT_EQ(Total(N), 16.0);
}

TEST(MatrixIO, XmlStreamSelectsElementsAndStopsAfterTheOneRead) {
  TMatrix A, B, R;
  FillTricky(A, 2, 3);
  FillTricky(B, 4, 1);
  TMemoryStream S;
  A.WriteToXMLStream(S, true, "first");
  const std::string Second = "sec\xFC\tond\x81";  // code-page letters and a TAB survive as references
  B.WriteToXMLStream(S, false, Second);
  S.WriteBuffer("<matrix dataid=\"self\"/>", 23);
  A.WriteToXMLStream(S, false, "third");
  S.SetPosition(0);
  ASSERT_TRUE(R.ReadFromXMLStream(S, Second));
  EXPECT_TRUE(SameBits(B, R));
  ASSERT_TRUE(R.ReadFromXMLStream(S, ""));  // continues after "second": the self-closing one is empty
  EXPECT_TRUE(SameBits(A, R));
  EXPECT_FALSE(R.ReadFromXMLStream(S, "first"));  // already passed
  S.SetPosition(0);
  EXPECT_FALSE(R.ReadFromXMLStream(S, "none"));
}

TEST(MatrixIO, HostileXmlFailsWithoutThrowingOrAllocating) {
  const char* Bad[] = {
      "<matrix><numcols>2</numcols><numrows>2</numrows><cell ix=\"1\" iy=\"1\">1</cell>",  // truncated
      "<matrix><cell ix=\"1\" iy=\"1\">1</cell><cell ix=\"1\" iy=",                        // inside a tag
      "<matrix><numcols>1</numcols><numrows>1</numrows><cell iy=\"1\">1</cell></matrix>",   // no ix
      "<matrix><numcols>1</numcols><numrows>1</numrows><cell ix=1 iy=1>1</cell></matrix>",  // unquoted
      "<matrix><numcols>1</numcols><bogus/></matrix>",
      "<matrix><numcols>2000000000</numcols><numrows>2000000000</numrows><cell ix=\"1\" iy=\"1\">1</cell></matrix>",
      "<matrix><numcols>4294967299</numcols><numrows>1</numrows><cell ix=\"1\" iy=\"1\">1</cell></matrix>",
      "<matrix><numcols>-3</numcols><numrows>1</numrows><cell ix=\"1\" iy=\"1\">1</cell></matrix>",
      "<matrix><numcols>100000</numcols><numrows>100000</numrows><cell ix=\"1\" iy=\"1\">1</cell></matrix>",
      "<matrix><numcols>0</numcols><numrows>245251834</numrows><cell ix=\"1\" iy=\"1\">1</cell></matrix>",
      "no element at all",
      "",
  };
  for (const char* Text : Bad) {
    TMatrix M;
    M.Resize(2, 1);
    TTextFile T;
    T.ResetFromString(Text);
    bool Ok = true;
    EXPECT_NO_THROW(Ok = M.ReadFromOpenXMLFile(T, "")) << Text;
    EXPECT_FALSE(Ok) << Text;
    EXPECT_LE(M.Data().size(), 4u) << Text;
  }
  // Closing tags the scanner could not pair with their element are passed over.
  TMatrix M;
  TTextFile T;
  T.ResetFromString("<matrix><numcols>1</numcols></numcols><numrows>1</numrows><cell ix=\"1\" iy=\"1\">"
                    "<!-- c -->5</cell></cell></matrix>");
  ASSERT_TRUE(M.ReadFromOpenXMLFile(T, ""));
  EXPECT_EQ(M.GetVal(1, 1), 5.0);
}

// ---- ASC -------------------------------------------------------------------------------

TEST(MatrixIO, AscHeaderCommentLineEndsAndMissingValues) {
  const std::string Dir = TempDir("matrix_io_asc");
  TMatrix M;
  M.Resize(2, 2);
  M.SetVal(1, 1, 1.23456);
  M.SetVal(2, 2, -1e-9);
  ASSERT_EQ(M.ExportAsASC(Dir + "/p.asc", 3, "two\r\nlines\nhere"), 0);
  EXPECT_EQ(ReadBytes(Dir + "/p.asc"),
            "two  lines here\r\n2\t;nr. of columns\r\n2\t;nr. of rows\r\n"
            "FALSE FALSE FALSE FALSE\t;row attributes, column names, row names, nominal variables\r\n"
            "1.235 0.000\r\n0.000 -0.000\r\n");

  // CR-only line ends, row attributes, missing values, the string table.
  WriteBytes(Dir + "/q.asc",
             "c\r2\r3\rTRUE FALSE TRUE\r1.5 \"a b\" NAN 2\r-3 \"c\" ### +4E1\r7 \"d\" 5. .25\r"
             "\"s 1\" \"s 2\"\r\r\"t\"");
  TStr2DArray Cust;
  std::string Comment;
  ASSERT_EQ(M.ImportASC(Dir + "/q.asc", Comment, Cust), 0);
  EXPECT_EQ(Comment, "c");
  ASSERT_EQ(M.NrOfRows(), 3);
  EXPECT_EQ(Total(M), 2 + 40 + 5 + 0.25);
  EXPECT_EQ(Cust, (TStr2DArray{{"s 1", "s 2"}, {}, {"t"}}));

  ASSERT_EQ(M.ExportAsASC(Dir + "/r.asc", -1, "", TStr2DArray{{"x\"y", "z"}}), 0);
  ASSERT_EQ(M.ImportASC(Dir + "/r.asc", Comment, Cust), 0);
  EXPECT_EQ(Cust, (TStr2DArray{{"x'y", "z"}}));
}

TEST(MatrixIO, BrokenAscFilesReportTheirCodeAndLeaveTheMatrixAlone) {
  const std::string Dir = TempDir("matrix_io_asc_bad");
  struct Case {
    const char* Text;
    int Code;
  };
  const std::string H = "c\n2\t;\n2\t;\nFALSE FALSE FALSE\n";
  const Case Cases[] = {
      {"c\n2\n", ascErrTruncated},
      {"c\n-2\n2\nFALSE FALSE FALSE\n", ascErrBadNCols},
      {"c\n2\n2\nFALSE FALSE\n", ascErrBadFlags},
      {"c\n2000\n2000\nFALSE FALSE FALSE\n1 2 3 4", ascErrTooLarge},
      {"c\n2\n2\nTRUE FALSE FALSE\nx 1 2 3 4 5\n", ascErrBadRowAttrib},
      {"c\n2\n2\nFALSE FALSE TRUE\n\"a\" 1 2 \"b 3 4\n", ascErrBadName},
      {"c\n2\n2\nFALSE TRUE FALSE\n\"a\" \"b\" 1 2 3\n", ascErrBadValue},  // one value short
      {"c\n2\n2\nFALSE FALSE FALSE\n1 2 3 1,5\n", ascErrBadValue},
      {"c\n2\n2\nFALSE FALSE FALSE\n1 2 3 1E400\n", ascErrBadValue},
  };
  for (const Case& C : Cases) {
    WriteBytes(Dir + "/b.asc", C.Text);
    TMatrix M;
    M.Resize(1, 3);
    M.Fill(6);
    std::string Comment = "kept";
    EXPECT_EQ(M.ImportASC(Dir + "/b.asc", Comment), C.Code) << C.Text;
    EXPECT_EQ(M.NrOfColumns(), 1);
    EXPECT_EQ(Total(M), 18.0) << C.Text;
  }
  TMatrix M;
  std::string Comment;
  EXPECT_EQ(M.ImportASC(Dir + "/missing.asc", Comment), ascErrNoFile);
  EXPECT_EQ(M.ExportAsASC(Dir + "/no/such/dir.asc", 2, ""), ascErrCreate);
}

// ---- binary ------------------------------------------------------------------------------

TEST(MatrixIO, BinaryHeadersAreCheckedAgainstTheFile) {
  const std::string Dir = TempDir("matrix_io_bin");
  TMatrix M;
  FillTricky(M, 3, 4);
  M.SetDataID(std::string(300, 'i'));
  M.SaveBinary(Dir + "/m.bin");
  const std::string Good = ReadBytes(Dir + "/m.bin");
  EXPECT_EQ(Good.size(), 8192u);
  EXPECT_EQ(static_cast<unsigned char>(Good[16]), 255u);  // the identifier is cut to 255 bytes

  const std::int32_t Huge = 1 << 30;
  auto Patched = [&](std::size_t At, std::int32_t X) {
    std::string B = Good;
    std::memcpy(B.data() + At, &X, 4);
    return B;
  };
  struct Case {
    std::string Bytes;
    int Code;
  };
  std::vector<Case> Cases = {
      {Good.substr(0, 4000), binErrShort},          {Patched(272, 2), binErrForeign},
      {Patched(8, 1), binErrForeign},               {Patched(12, 1), binErrForeign},
      {Patched(0, -1), binErrBadDims},              {Patched(4, Huge), binErrTruncated},
      {Good.substr(0, 4096 + 11 * 8), binErrTruncated},
  };
  Cases.push_back({Patched(0, 0), binErrTruncated});  // no elements, yet storage for 2^30 rows
  std::memcpy(Cases.back().Bytes.data() + 4, &Huge, 4);
  for (const Case& C : Cases) {
    WriteBytes(Dir + "/b.bin", C.Bytes);
    TMatrix N;
    N.Resize(2, 2);
    N.Fill(1);
    EXPECT_EQ(N.LoadBinary(Dir + "/b.bin"), C.Code);
    EXPECT_EQ(Total(N), 4.0);
  }
  // A file without the padding of its last block still holds every value.
  WriteBytes(Dir + "/b.bin", Good.substr(0, 4096 + 12 * 8));
  TMatrix N;
  EXPECT_EQ(N.LoadBinary(Dir + "/b.bin"), 0);
  EXPECT_TRUE(SameBits(M, N));

  int NC, NR, Format;
  std::string Id;
  WriteBytes(Dir + "/i.bin", Patched(272, 2));
  EXPECT_FALSE(TMatrix::ReadBinaryHeader(Dir + "/i.bin", NC, NR, Id, Format));
  EXPECT_EQ(Format, 2);
  EXPECT_EQ(N.LoadBinary(Dir + "/none.bin"), binErrNoFile);
  EXPECT_THROW(TMatrix::ReadBinaryHeader(Dir + "/none.bin", NC, NR, Id, Format), EInOutError);
  WriteBytes(Dir + "/s.bin", "short");
  EXPECT_THROW(TMatrix::ReadBinaryHeader(Dir + "/s.bin", NC, NR, Id, Format), EInOutError);
}

// ---- hostile plain text and streams -------------------------------------------------------

TEST(MatrixIO, HostileTextAndStreamsChangeNothing) {
  const std::string Dir = TempDir("matrix_io_text_bad");
  const char* BadText[] = {"1 1 2 2\r\n1 2\r\n3", "1 1 2 2\n1 2\n3 x", "0 1 2 2\n1 2 3 4", "2 1 1 1\n1",
                           "1 1 100000 100000\n1", "1 1 2147483647 1\n1 2", "1 1 1e3 1\n1", ""};
  for (const char* Text : BadText) {
    WriteBytes(Dir + "/t.txt", Text);
    TMatrix M;
    M.Resize(2, 2);
    M.Fill(3);
    EXPECT_FALSE(M.LoadFromFile(Dir + "/t.txt", true)) << Text;
    EXPECT_EQ(M.NrOfColumns() * 10 + M.NrOfRows(), 22) << Text;
    EXPECT_EQ(Total(M), 12.0) << Text;
  }
  // Tables of numbers: a caption line, delimiters of CSV files, ragged rows.
  WriteBytes(Dir + "/c.csv", "x1,x2,x3\r\n1,2,3\r\n\r\n4;5 6\r\n7,\tNAN,-INF\r\n");
  TMatrix T;
  ASSERT_TRUE(T.LoadFromFile(Dir + "/c.csv", true, true));
  EXPECT_EQ(T.NrOfColumns(), 3);
  EXPECT_EQ(T.NrOfRows(), 3);
  EXPECT_TRUE(std::isnan(T.GetVal(2, 3)));
  EXPECT_EQ(T.GetVal(3, 3), -std::numeric_limits<double>::infinity());
  WriteBytes(Dir + "/r.csv", "1,2,3\n4,5\n");
  EXPECT_FALSE(T.LoadFromFile(Dir + "/r.csv", true, true));
  EXPECT_EQ(T.NrOfRows(), 3);

  TMatrix Src;
  FillTricky(Src, 3, 3);
  TMemoryStream Full;
  Src.SaveToStream(Full, 0, 0, 0, 0);
  const std::string Bytes(reinterpret_cast<const char*>(Full.Memory()), static_cast<std::size_t>(Full.Size()));
  auto Stream = [](const std::string& B) {
    auto S = std::make_unique<TMemoryStream>();
    S->WriteBuffer(B.data(), static_cast<std::int64_t>(B.size()));
    S->SetPosition(0);
    return S;
  };
  std::string BigBounds = Bytes;
  const std::int32_t Huge = 1 << 30;
  std::memcpy(BigBounds.data() + 8, &Huge, 4);
  std::string BeyondDouble = Bytes;
  BeyondDouble[16 + 7] = '\x80';  // integer bit: a normal value
  BeyondDouble[16 + 8] = '\x01';
  BeyondDouble[16 + 9] = '\x7F';  // exponent 2^16129: a finite extended value no double holds
  for (const std::string& B : {Bytes.substr(0, Bytes.size() - 1), Bytes.substr(0, 10), BigBounds, BeyondDouble}) {
    TMatrix M;
    M.Resize(2, 2);
    EXPECT_FALSE(M.LoadFromStream(Stream(B).get(), true));
    EXPECT_EQ(M.Data().size(), 4u);
  }
  EXPECT_FALSE(T.LoadFromStream(nullptr, true));
}

// ---- writers that fail part-way ------------------------------------------------------------

TEST(MatrixIO, FailedWritesKeepTheOldFileAndReportIt) {
  const std::string Dir = TempDir("matrix_io_failed_write");
  TMatrix Small, Big;
  FillTricky(Small, 2, 2);
  FillTricky(Big, 100, 100);  // far beyond the limit below in every format
  const std::string Asc = Dir + "/m.asc", Xml = Dir + "/m.xml", Bin = Dir + "/m.bin", Txt = Dir + "/m.txt";
  ASSERT_EQ(Small.ExportAsASC(Asc, -1, ""), 0);
  Small.SaveAsXMLFile(Xml, "s");
  Small.SaveBinary(Bin);
  ASSERT_TRUE(Small.StoreOnFile(0, 0, 0, 0, Txt));
  const std::string Before[] = {ReadBytes(Asc), ReadBytes(Xml), ReadBytes(Bin), ReadBytes(Txt)};
  const std::size_t NFiles = FilesIn(Dir);

  constexpr rlim_t kLimit = 12000;
  EXPECT_EQ(WithFileSizeLimit(kLimit, [&] { return -Big.ExportAsASC(Asc, -1, ""); }), -ascErrCreate);
  EXPECT_EQ(WithFileSizeLimit(kLimit, [&] { return Big.StoreOnFile(0, 0, 0, 0, Txt) ? 0 : 1; }), 1);
  for (const auto& Save : std::initializer_list<std::function<void()>>{[&] { Big.SaveAsXMLFile(Xml, "b"); },
                                                                       [&] { Big.SaveBinary(Bin); }})
    EXPECT_EQ(WithFileSizeLimit(kLimit,
                                [&] {
                                  try {
                                    Save();
                                  } catch (const EInOutError&) {
                                    return 1;
                                  }
                                  return 0;
                                }),
              1);
  EXPECT_EQ(ReadBytes(Asc), Before[0]);
  EXPECT_EQ(ReadBytes(Xml), Before[1]);
  EXPECT_EQ(ReadBytes(Bin), Before[2]);
  EXPECT_EQ(ReadBytes(Txt), Before[3]);
  EXPECT_EQ(FilesIn(Dir), NFiles);  // no temporary file left behind
  EXPECT_THROW(Small.SaveBinary(Dir), EInOutError);
  EXPECT_THROW(Small.SaveAsXMLFile(Dir + "/no/dir.xml", ""), EInOutError);
}
