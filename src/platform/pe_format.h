#pragma once

// The PE32 structures the image loader reads, laid out as they are on disk
// and in a mapped image. Every field is naturally aligned, so the plain
// structs match the byte layout without packing; they are filled by copying
// bytes (BoundedBytes::Read), never by pointing into an image, because image
// offsets carry no alignment guarantee.

#include <array>
#include <bit>
#include <cstddef>
#include <cstdint>

namespace kestrilo::pe {

static_assert(std::endian::native == std::endian::little,
              "image fields are copied byte for byte into host integers");

inline constexpr std::uint16_t kDosMagic = 0x5A4D;     // "MZ"
inline constexpr std::uint32_t kPeSignature = 0x4550;  // "PE\0\0"
inline constexpr std::uint16_t kExecutableImage = 0x0002;
inline constexpr std::uint16_t kDll = 0x2000;
inline constexpr unsigned kRelocationHighLow = 3;

inline constexpr int kExportDirectory = 0;
inline constexpr int kImportDirectory = 1;
inline constexpr int kRelocationDirectory = 5;

struct DosHeader {
  std::uint16_t e_magic;
  std::uint16_t unused[29];
  std::int32_t e_lfanew;
};
static_assert(sizeof(DosHeader) == 64 && offsetof(DosHeader, e_lfanew) == 0x3C);

struct DataDirectory {
  std::uint32_t virtual_address;
  std::uint32_t size;
};

struct FileHeader {
  std::uint16_t machine;
  std::uint16_t number_of_sections;
  std::uint32_t time_date_stamp;
  std::uint32_t pointer_to_symbol_table;
  std::uint32_t number_of_symbols;
  std::uint16_t size_of_optional_header;
  std::uint16_t characteristics;
};
static_assert(sizeof(FileHeader) == 20 && offsetof(FileHeader, characteristics) == 18);

struct OptionalHeader32 {
  std::uint16_t magic;
  std::uint8_t major_linker_version;
  std::uint8_t minor_linker_version;
  std::uint32_t size_of_code;
  std::uint32_t size_of_initialized_data;
  std::uint32_t size_of_uninitialized_data;
  std::uint32_t address_of_entry_point;
  std::uint32_t base_of_code;
  std::uint32_t base_of_data;
  std::uint32_t image_base;
  std::uint32_t section_alignment;
  std::uint32_t file_alignment;
  std::uint16_t versions[6];
  std::uint32_t win32_version_value;
  std::uint32_t size_of_image;
  std::uint32_t size_of_headers;
  std::uint32_t check_sum;
  std::uint16_t subsystem;
  std::uint16_t dll_characteristics;
  std::uint32_t stack_and_heap_sizes[4];
  std::uint32_t loader_flags;
  std::uint32_t number_of_rva_and_sizes;
  std::array<DataDirectory, 16> data_directory;
};
static_assert(sizeof(OptionalHeader32) == 224 && offsetof(OptionalHeader32, image_base) == 28 &&
              offsetof(OptionalHeader32, size_of_image) == 56 &&
              offsetof(OptionalHeader32, data_directory) == 96);

struct NtHeaders32 {
  std::uint32_t signature;
  FileHeader file_header;
  OptionalHeader32 optional_header;
};
static_assert(sizeof(NtHeaders32) == 248 && offsetof(NtHeaders32, optional_header) == 24);

struct SectionHeader {
  char name[8];
  std::uint32_t virtual_size;
  std::uint32_t virtual_address;
  std::uint32_t size_of_raw_data;
  std::uint32_t pointer_to_raw_data;
  std::uint32_t pointer_to_relocations;
  std::uint32_t pointer_to_line_numbers;
  std::uint16_t number_of_relocations;
  std::uint16_t number_of_line_numbers;
  std::uint32_t characteristics;
};
static_assert(sizeof(SectionHeader) == 40 && offsetof(SectionHeader, pointer_to_raw_data) == 20);

struct ImportDescriptor {
  std::uint32_t original_first_thunk;
  std::uint32_t time_date_stamp;
  std::uint32_t forwarder_chain;
  std::uint32_t name;
  std::uint32_t first_thunk;
};
static_assert(sizeof(ImportDescriptor) == 20);

struct RelocationBlock {
  std::uint32_t page_address;
  std::uint32_t block_size;
};
static_assert(sizeof(RelocationBlock) == 8);

struct ExportDirectory {
  std::uint32_t characteristics;
  std::uint32_t time_date_stamp;
  std::uint16_t major_version;
  std::uint16_t minor_version;
  std::uint32_t name;
  std::uint32_t base;
  std::uint32_t number_of_functions;
  std::uint32_t number_of_names;
  std::uint32_t address_of_functions;
  std::uint32_t address_of_names;
  std::uint32_t address_of_name_ordinals;
};
static_assert(sizeof(ExportDirectory) == 40 && offsetof(ExportDirectory, base) == 16 &&
              offsetof(ExportDirectory, address_of_name_ordinals) == 36);

}  // namespace kestrilo::pe
