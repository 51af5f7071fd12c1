#include "hosts/core/pe_resources.h"

#include <cctype>
#include <cstring>

#include "hosts/core/whole_file.h"

namespace zar::host {

namespace {

struct Section {
  uint32_t virtualAddress, virtualSize, rawOffset, rawSize;
};

// Bounds-checked little-endian reads over the file and over the image's address space.
class Reader {
 public:
  Reader(const uint8_t* data, size_t size) : data_(data), size_(size) {}

  bool Has(uint64_t offset, uint64_t count) const {
    return offset <= size_ && count <= size_ - offset;
  }
  uint16_t U16(uint64_t offset) const { return uint16_t(data_[offset] | data_[offset + 1] << 8); }
  uint32_t U32(uint64_t offset) const {
    return uint32_t(data_[offset]) | uint32_t(data_[offset + 1]) << 8 |
           uint32_t(data_[offset + 2]) << 16 | uint32_t(data_[offset + 3]) << 24;
  }
  const uint8_t* At(uint64_t offset) const { return data_ + offset; }

  // The file offset of `count` bytes at address `rva`, or false when they are not in the file.
  bool Map(uint32_t rva, uint32_t count, uint64_t* offset) const {
    for (const Section& s : sections) {
      const uint32_t extent = s.virtualSize > s.rawSize ? s.virtualSize : s.rawSize;
      if (rva < s.virtualAddress || rva - s.virtualAddress >= extent) continue;
      const uint64_t delta = rva - s.virtualAddress;
      if (delta + count > s.rawSize) return false;
      *offset = uint64_t(s.rawOffset) + delta;
      return Has(*offset, count);
    }
    return false;
  }

  std::vector<Section> sections;

 private:
  const uint8_t* data_;
  size_t size_;
};

std::string Narrow(const uint8_t* utf16, size_t count) {
  std::string text;
  for (size_t i = 0; i < count; ++i) {
    const unsigned c = unsigned(utf16[2 * i]) | unsigned(utf16[2 * i + 1]) << 8;
    text.push_back(c < 0x80 ? char(c) : '?');
  }
  return text;
}

bool Fail(std::string* error, const char* why) {
  if (error) *error = why;
  return false;
}

// The resource tree: three levels (type, name, language) of directories, offsets relative to
// the start of the resource section's data.
class ResourceWalker {
 public:
  static constexpr size_t kMaxResources = 100000;

  ResourceWalker(const Reader& reader, uint32_t baseRva, uint32_t size)
      : reader_(reader), baseRva_(baseRva), size_(size) {}

  bool Walk(std::vector<PeResource>* out, std::string* error) {
    return Directory(0, 0, {}, {}, out, error);
  }

 private:
  bool Directory(uint32_t offset, int level, const ResourceId& type, const ResourceId& name,
                 std::vector<PeResource>* out, std::string* error) {
    uint64_t at;
    if (offset > size_ || size_ - offset < 16 || !reader_.Map(baseRva_ + offset, 16, &at))
      return Fail(error, "resource directory outside the file");
    const unsigned count = unsigned(reader_.U16(at + 12)) + reader_.U16(at + 14);
    if (count > 4096) return Fail(error, "resource directory too large");
    for (unsigned i = 0; i < count; ++i) {
      const uint32_t entryOffset = offset + 16 + 8 * i;
      uint64_t entry;
      if (entryOffset > size_ || size_ - entryOffset < 8 ||
          !reader_.Map(baseRva_ + entryOffset, 8, &entry))
        return Fail(error, "resource entry outside the file");
      const uint32_t nameField = reader_.U32(entry);
      const uint32_t dataField = reader_.U32(entry + 4);
      ResourceId id;
      if (nameField & 0x80000000u) {
        if (!ReadName(nameField & 0x7FFFFFFFu, &id.name))
          return Fail(error, "resource name outside the file");
      } else {
        id.id = uint16_t(nameField);
      }
      const bool subdirectory = (dataField & 0x80000000u) != 0;
      const uint32_t target = dataField & 0x7FFFFFFFu;
      if (level < 2) {
        if (!subdirectory) return Fail(error, "resource tree too shallow");
        if (!Directory(target, level + 1, level == 0 ? id : type, level == 1 ? id : name, out,
                       error))
          return false;
      } else {
        if (subdirectory) return Fail(error, "resource tree too deep");
        if (out->size() >= kMaxResources) return Fail(error, "too many resources");
        if (!Leaf(target, type, name, id.id, out, error)) return false;
      }
    }
    return true;
  }

  bool ReadName(uint32_t offset, std::string* name) const {
    uint64_t at;
    if (offset > size_ || size_ - offset < 2 || !reader_.Map(baseRva_ + offset, 2, &at))
      return false;
    const unsigned length = reader_.U16(at);
    uint64_t chars;
    if (!reader_.Map(baseRva_ + offset + 2, 2 * length, &chars)) return false;
    *name = Narrow(reader_.At(chars), length);
    return true;
  }

  bool Leaf(uint32_t offset, const ResourceId& type, const ResourceId& name, uint16_t language,
            std::vector<PeResource>* out, std::string* error) {
    uint64_t at;
    if (offset > size_ || size_ - offset < 16 || !reader_.Map(baseRva_ + offset, 16, &at))
      return Fail(error, "resource data entry outside the file");
    const uint32_t dataRva = reader_.U32(at);
    const uint32_t dataSize = reader_.U32(at + 4);
    uint64_t data;
    if (!reader_.Map(dataRva, dataSize, &data))
      return Fail(error, "resource data outside the file");
    PeResource resource;
    resource.type = type;
    resource.name = name;
    resource.language = language;
    resource.codePage = reader_.U32(at + 8);
    resource.data.assign(reader_.At(data), reader_.At(data) + dataSize);
    out->push_back(std::move(resource));
    return true;
  }

  const Reader& reader_;
  uint32_t baseRva_;
  uint32_t size_;
};

bool ReadExports(const Reader& reader, uint32_t rva, uint32_t size, PeImage* image,
                 std::string* error) {
  uint64_t dir;
  if (size < 40 || !reader.Map(rva, 40, &dir))
    return Fail(error, "export directory outside the file");
  auto cString = [&reader](uint32_t at, std::string* text) {
    uint64_t offset;
    text->clear();
    for (uint32_t i = 0; i < 1024; ++i) {
      if (!reader.Map(at + i, 1, &offset)) return false;
      const char c = char(*reader.At(offset));
      if (!c) return true;
      text->push_back(c);
    }
    return false;
  };
  if (!cString(reader.U32(dir + 12), &image->exportModuleName))
    return Fail(error, "export module name outside the file");
  const uint32_t count = reader.U32(dir + 24);
  const uint32_t names = reader.U32(dir + 32);
  if (count > 65536) return Fail(error, "export table too large");
  for (uint32_t i = 0; i < count; ++i) {
    uint64_t at;
    if (!reader.Map(names + 4 * i, 4, &at))
      return Fail(error, "export name table outside the file");
    std::string name;
    if (!cString(reader.U32(at), &name)) return Fail(error, "export name outside the file");
    image->exportNames.push_back(std::move(name));
  }
  return true;
}

}  // namespace

bool ResourceId::Matches(const ResourceId& other) const {
  if (isText() != other.isText()) return false;
  if (!isText()) return id == other.id;
  if (name.size() != other.name.size()) return false;
  for (size_t i = 0; i < name.size(); ++i)
    if (std::toupper(static_cast<unsigned char>(name[i])) !=
        std::toupper(static_cast<unsigned char>(other.name[i])))
      return false;
  return true;
}

std::string ResourceId::ToString() const {
  return isText() ? "\"" + name + "\"" : std::to_string(id);
}

bool ParsePe(const uint8_t* data, size_t size, PeImage* image, std::string* error) {
  *image = PeImage{};
  Reader reader(data, size);
  if (!reader.Has(0, 64) || data[0] != 'M' || data[1] != 'Z') return Fail(error, "no MZ header");
  const uint32_t pe = reader.U32(60);
  if (!reader.Has(pe, 24) || std::memcmp(reader.At(pe), "PE\0\0", 4) != 0)
    return Fail(error, "no PE signature");
  image->machine = reader.U16(pe + 4);
  const unsigned sectionCount = reader.U16(pe + 6);
  const unsigned optionalSize = reader.U16(pe + 20);
  const uint64_t optional = pe + 24;
  if (!reader.Has(optional, optionalSize) || optionalSize < 2)
    return Fail(error, "optional header outside the file");
  const uint16_t magic = reader.U16(optional);
  if (magic != 0x10B && magic != 0x20B) return Fail(error, "unknown optional header");
  image->pe32plus = magic == 0x20B;
  const uint64_t dirCountAt = optional + (image->pe32plus ? 108 : 92);
  const uint64_t dirs = dirCountAt + 4;
  if (dirs > optional + optionalSize) return Fail(error, "optional header too short");
  const uint32_t dirCount = reader.U32(dirCountAt);
  auto directory = [&](unsigned index, uint32_t* rva, uint32_t* dirSize) {
    *rva = *dirSize = 0;
    if (index >= dirCount || dirs + 8 * (index + 1) > optional + optionalSize) return;
    *rva = reader.U32(dirs + 8 * index);
    *dirSize = reader.U32(dirs + 8 * index + 4);
  };

  const uint64_t sections = optional + optionalSize;
  if (!reader.Has(sections, uint64_t(sectionCount) * 40))
    return Fail(error, "section table outside the file");
  for (unsigned i = 0; i < sectionCount; ++i) {
    const uint64_t s = sections + 40 * i;
    reader.sections.push_back(
        {reader.U32(s + 12), reader.U32(s + 8), reader.U32(s + 20), reader.U32(s + 16)});
  }

  uint32_t rva, dirSize;
  directory(0, &rva, &dirSize);
  if (rva && !ReadExports(reader, rva, dirSize, image, error)) return false;
  directory(2, &rva, &dirSize);
  if (rva) {
    ResourceWalker walker(reader, rva, dirSize);
    if (!walker.Walk(&image->resources, error)) return false;
  }
  return true;
}

bool ReadPeFile(const std::string& path, PeImage* image, std::string* error) {
  std::vector<uint8_t> bytes;
  if (!ReadWholeFile(path, &bytes)) return Fail(error, "cannot read the file");
  return ParsePe(bytes.data(), bytes.size(), image, error);
}

const PeResource* FindPeResource(const PeImage& image, const ResourceId& type,
                                 const ResourceId& name, int language) {
  for (const PeResource& r : image.resources)
    if (r.type.Matches(type) && r.name.Matches(name) && (language < 0 || r.language == language))
      return &r;
  return nullptr;
}

}  // namespace zar::host
