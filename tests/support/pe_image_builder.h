#pragma once

// Small PE32 images built in memory, for the image loader's tests and the
// desktop program's skin tests.

#include <cstdint>
#include <cstring>
#include <iterator>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/pe_format.h"
#include "runtime/types.h"

namespace kestrilo::testing::pe_image {

constexpr std::uint32_t kPreferredBase = 0x5A000000;
constexpr std::uint32_t kText = 0x1000;
constexpr std::uint32_t kData = 0x2000;
constexpr std::uint32_t kBss = 0x3000;
constexpr std::uint32_t kImageSize = 0x4000;
// A small PE32 image: the headers fill the first 0x200 bytes of the file and
// the sections' raw data follows in order. Text at 0x1000, data at 0x2000,
// uninitialised data at 0x3000. Every field is open so that a test can break
// any of them.
class ImageBuilder {
 public:
  struct Section {
    pe::SectionHeader header;
    Bytes raw;
  };

  explicit ImageBuilder(bool dll) {
    nt.signature = pe::kPeSignature;
    nt.file_header.machine = 0x14C;  // i386
    nt.file_header.size_of_optional_header = sizeof(pe::OptionalHeader32);
    nt.file_header.characteristics = pe::kExecutableImage | (dll ? pe::kDll : 0);
    pe::OptionalHeader32& optional = nt.optional_header;
    optional.magic = 0x10B;
    optional.address_of_entry_point = kText;
    optional.image_base = kPreferredBase;
    optional.section_alignment = 0x1000;
    optional.file_alignment = 0x200;
    optional.size_of_image = kImageSize;
    optional.size_of_headers = 0x200;
    optional.number_of_rva_and_sizes = 16;
    AddSection(kText, 0x100, 0x100);
    AddSection(kData, 0x400, 0x400);
    AddSection(kBss, 0x100, 0);
    for (std::size_t i = 0; i < 0x100; ++i) {
      sections[0].raw[i] = static_cast<std::uint8_t>(0x90 ^ i);  // filler code bytes
    }
  }

  template <typename T>
  void Put(std::uint32_t rva, const T& value) {
    std::memcpy(RawAt(rva, sizeof(T)), &value, sizeof(T));
  }
  void Put16(std::uint32_t rva, std::uint16_t value) { Put(rva, value); }
  void Put32(std::uint32_t rva, std::uint32_t value) { Put(rva, value); }
  void PutText(std::uint32_t rva, std::string_view text) {
    std::memcpy(RawAt(rva, text.size() + 1), text.data(), text.size());
  }
  void SetDirectory(int index, std::uint32_t rva, std::uint32_t size) {
    nt.optional_header.data_directory[static_cast<std::size_t>(index)] = {rva, size};
  }

  Bytes Build() const {
    pe::DosHeader dos{};
    dos.e_magic = pe::kDosMagic;
    dos.e_lfanew = 0x40;
    Bytes file(0x200);
    std::memcpy(file.data(), &dos, sizeof dos);
    std::memcpy(file.data() + 0x40, &nt, sizeof nt);
    std::size_t table = 0x40 + sizeof nt;
    for (const Section& section : sections) {
      pe::SectionHeader header = section.header;
      if (header.pointer_to_raw_data == 0 && !section.raw.empty()) {
        header.pointer_to_raw_data = static_cast<std::uint32_t>(file.size());
      }
      std::memcpy(file.data() + table, &header, sizeof header);
      table += sizeof header;
      file.insert(file.end(), section.raw.begin(), section.raw.end());
    }
    for (const auto& [offset, value] : file_patches) std::memcpy(&file[offset], &value, 4);
    if (file_size) file.resize(*file_size);
    return file;
  }

  pe::NtHeaders32 nt{};
  std::vector<Section> sections;
  std::vector<std::pair<std::size_t, std::uint32_t>> file_patches;
  std::optional<std::size_t> file_size;

 private:
  void AddSection(std::uint32_t rva, std::uint32_t virtual_size, std::uint32_t raw_size) {
    pe::SectionHeader header{};
    header.virtual_address = rva;
    header.virtual_size = virtual_size;
    header.size_of_raw_data = raw_size;
    sections.push_back({header, Bytes(raw_size)});
    ++nt.file_header.number_of_sections;
  }

  std::uint8_t* RawAt(std::uint32_t rva, std::size_t length) {
    for (Section& section : sections) {
      const std::uint32_t start = section.header.virtual_address;
      if (rva >= start && rva - start + length <= section.raw.size()) {
        return &section.raw[rva - start];
      }
    }
    throw std::out_of_range("no raw data at " + std::to_string(rva));
  }
};

// Ordinal base 1; functions 0x1000, 0x1004, none, 0x1008. The names lie in
// memory in another order than their pointers, with gaps between them.
constexpr std::uint32_t kFunctions = kData + 0x40;
constexpr std::uint32_t kNames = kData + 0x60;
void AddExports(ImageBuilder& image) {
  constexpr std::uint32_t kOrdinals = kData + 0x80;
  struct Name {
    std::string_view text;
    std::uint16_t ordinal;
    std::uint32_t at;
  };
  constexpr Name kExportNames[] = {{"Alpha", 0, 0x2180}, {"Beta", 1, 0x2160},
                                   {"Hole", 2, 0x2150},  {"SkinH_AttachRes", 3, 0x2100},
                                   {"02", 3, 0x2140},    {"Gamma", 9, 0x2120}};
  pe::ExportDirectory directory{};
  directory.base = 1;
  directory.number_of_functions = 4;
  directory.number_of_names = std::size(kExportNames);
  directory.address_of_functions = kFunctions;
  directory.address_of_names = kNames;
  directory.address_of_name_ordinals = kOrdinals;
  image.SetDirectory(pe::kExportDirectory, kData, 0x1A0);
  image.Put(kData, directory);
  const std::uint32_t functions[] = {0x1000, 0x1004, 0, 0x1008};
  for (std::uint32_t i = 0; i < 4; ++i) image.Put32(kFunctions + 4 * i, functions[i]);
  for (std::uint32_t i = 0; i < std::size(kExportNames); ++i) {
    image.Put32(kNames + 4 * i, kExportNames[i].at);
    image.Put16(kOrdinals + 2 * i, kExportNames[i].ordinal);
    image.PutText(kExportNames[i].at, kExportNames[i].text);
  }
}

}  // namespace kestrilo::testing::pe_image
