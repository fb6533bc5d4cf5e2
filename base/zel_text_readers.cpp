// Word and line readers on text files and streams, and appending a line.
#include <cstdint>
#include <string>
#include <string_view>

#include "zel_base.h"

namespace zel {

std::string ReadNextWordInTextFile(TTextFile& InFile) {
  std::string Word;
  if (!InFile.ReadWord(Word)) Word.clear();
  return Word;
}

std::string ReadLnStream(TStream& Stream, bool& EndOfStream) {
  // Reads in chunks and seeks back over what follows the line break, so the
  // stream is left exactly at the start of the next line.
  constexpr std::int64_t ChunkSize = 256;
  char Chunk[ChunkSize];
  std::string Line;
  for (;;) {
    std::int64_t N = Stream.Read(Chunk, ChunkSize);
    if (N <= 0) break;
    if (N > ChunkSize) N = ChunkSize;
    std::int64_t I = 0;
    while (I < N && Chunk[I] != '\n' && Chunk[I] != '\r') ++I;
    Line.append(Chunk, static_cast<std::size_t>(I));
    if (I == N) continue;

    std::int64_t Used = I + 1;
    if (Chunk[I] == '\r') {
      if (Used < N) {
        if (Chunk[Used] == '\n') ++Used;
      } else {
        // The CR ends the chunk: its LF, if any, is the next byte.
        char Next;
        if (Stream.Read(&Next, 1) == 1 && Next != '\n') Stream.Seek(-1, soCurrent);
      }
    }
    if (Used < N) Stream.Seek(Used - N, soCurrent);
    break;
  }
  EndOfStream = Stream.Position() >= Stream.Size();
  return Line;
}

bool AppendToTextFile(const std::string& FileName, std::string_view Line) {
  TTextFile F;
  try {
    F.Append(FileName);
    F.WriteLn(Line);
    const bool Ok = F.WriteOK();
    F.Close();
    return Ok;
  } catch (const Exception&) {
    F.Discard();
    return false;
  }
}

}  // namespace zel
