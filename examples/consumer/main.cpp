// Example: a program built against the installed library (the install test
// builds it through find_package(zel) and through pkg-config).

#include <zel_base.h>
#include <zel_chemistry.h>
#include <zel_numerics.h>

#include <cstdio>
#include <string>

int main() {
  std::uint32_t crc = 0xFFFFFFFFu;
  for (char c : std::string("123456789")) crc = zel::CalcNextCRC32(static_cast<std::uint8_t>(c), crc);
  crc = ~crc;
  if (crc != 0xCBF43926u) return 1;
  if (std::string(zel::ZelNumVersion()) != zel::ZelMolVersion()) return 2;
  std::printf("zel consumer ok %s\n", zel::ZelMolVersion());
  return 0;
}
