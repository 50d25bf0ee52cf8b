// The "table" formatter: rows of list elements, columns of (possibly nested) fields.
#include "tarnek/autocli/table_formatter.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <iterator>
#include <map>
#include <string_view>
#include <vector>

#include <boost/algorithm/string/classification.hpp>
#include <boost/algorithm/string/split.hpp>

#include "autocli/format/field_settings.h"
#include "autocli/format/line_writer.h"
#include "tarnek/exception.h"

namespace Tarnek {
namespace AutoCli {

namespace {

using MetaObj::MetaInt;
using MetaObj::MetaList;
using MetaObj::MetaObject;
using MetaObj::MetaStruct;
using MetaObj::MetaType;
using Internal::LineWriter;

constexpr const char* kWrongRootMessage =
    "Error: Unexpected type for output, formatter, table, expected a List of structs";
constexpr const char* kNoStructureMessage = "Error: Unable to get structure type from list output.";
constexpr const char* kElementNotStructMessage =
    "Error: Unexpected type, unable to get struct from list";
constexpr const char* kUnknownFieldMessage = "Error: Unknown field in field list: ";

// Room between two columns: every width is the longest cell plus this gap.
constexpr std::size_t kColumnGap = 2;

using WidthMap = std::map<std::string, std::size_t>;

// Column names come from the command line, where "Name, Size" is a natural way to write a list.
std::string Trim(const std::string& text) {
  static const char kWhiteSpace[] = " \t\f\v\n\r";
  const std::size_t first = text.find_first_not_of(kWhiteSpace);
  if (first == std::string::npos) {
    return std::string();
  }
  const std::size_t last = text.find_last_not_of(kWhiteSpace);
  return text.substr(first, last - first + 1);
}

std::vector<std::string> SelectColumns(const MetaStruct& structure,
                                       const FormatParameters& params) {
  std::vector<std::string> columns;
  const std::string typedKey = "fields:" + structure.GetTypeName();
  if (params.HasParameter(typedKey)) {
    columns = params.GetParameterAsList(typedKey);
  } else if (params.HasParameter("fields")) {
    columns = params.GetParameterAsList("fields");
  } else if (params.HasParameter("table-columns")) {
    columns = params.GetParameterAsList("table-columns");
  } else {
    columns = structure.GetFieldNames();
  }
  for (std::string& column : columns) {
    column = Trim(column);
  }
  return columns;
}

// Pads with the stream's fill character, as a field width on the stream itself would, so a
// row can be assembled in one string and written in one piece.
void AppendLeft(std::string& line, const std::string& text, std::size_t width, char fill) {
  line += text;
  if (text.size() < width) {
    line.append(width - text.size(), fill);
  }
}

// A column's way to its cell: a field of the element, or a dotted path through nested
// structures.
struct ColumnPath {
  explicit ColumnPath(const std::string& column) : name(column) {
    if (column.find('.') != std::string::npos) {
      boost::algorithm::split(parts, column, boost::algorithm::is_any_of("."));
    }
  }
  const std::string& name;
  // Empty for a plain field name.
  std::vector<std::string> parts;
};

// The field named `name`, or null. `hint` is where the previous column's field ended: columns
// mostly follow the fields' own order, and then no search is needed.
const std::shared_ptr<MetaObject>* FindField(const MetaStruct::FieldMap& fields,
                                             const std::string& name,
                                             MetaStruct::FieldMap::const_iterator& hint) {
  auto found = hint != fields.end() && hint->first == name ? hint : fields.find(name);
  if (found == fields.end()) return nullptr;
  hint = std::next(found);
  return found->second.value ? &found->second.value : nullptr;
}

// As GetSubField, without taking a share of every structure on the way.
const std::shared_ptr<MetaObject>* FindCell(const MetaStruct& element, const ColumnPath& path,
                                            MetaStruct::FieldMap::const_iterator& hint) {
  if (path.parts.empty()) {
    return FindField(element.GetFields(), path.name, hint);
  }
  const MetaStruct* current = &element;
  const std::shared_ptr<MetaObject>* field = nullptr;
  for (std::size_t i = 0; i < path.parts.size(); ++i) {
    auto start = current->GetFields().end();
    field = FindField(current->GetFields(), path.parts[i], start);
    if (field == nullptr) return nullptr;
    if (i + 1 < path.parts.size()) {
      current = dynamic_cast<const MetaStruct*>(field->get());
      if (current == nullptr) return nullptr;
    }
  }
  return field;
}

bool IsNumber(const MetaObject& value) {
  if (Internal::IsExactly<MetaInt>(value)) return true;
  if (Internal::IsExactly<MetaObj::MetaString>(value) ||
      Internal::IsExactly<MetaObj::MetaBool>(value)) {
    return false;
  }
  return dynamic_cast<const MetaInt*>(&value) != nullptr;
}

// The text of every cell, row by row, as measuring made it, with each cell's length (the top
// bit of which marks a number) kept apart. The rows are then written by reading this in order,
// without reaching the values a second time, which on a large result costs more than the
// formatting itself. One block of text, sized from the first row, so that it is not copied to
// grow.
class CellStore {
 public:
  // Room for `rows` rows like those stored so far, and a quarter more.
  void Expect(std::size_t rows) {
    text_.reserve(text_.size() * rows + text_.size() * rows / 4);
    marks_.reserve(marks_.size() * rows);
  }
  // Starts a cell; its text is then appended to Text().
  void Begin() { start_ = text_.size(); }
  std::string& Text() { return text_; }
  // Ends the cell; returns the length of its text.
  std::size_t End(bool numeric) {
    const std::size_t length = text_.size() - start_;
    marks_.push_back(static_cast<Mark>(length) | (numeric ? kNumber : 0));
    return length;
  }

  // The cells in the order they were stored.
  class Reader {
   public:
    explicit Reader(const CellStore& store)
        : text_(store.text_.data()), mark_(store.marks_.data()) {}
    std::string_view Next(bool& numeric) {
      const Mark mark = *mark_++;
      numeric = (mark & kNumber) != 0;
      const std::size_t length = mark & ~kNumber;
      const std::string_view cell(text_, length);
      text_ += length;
      return cell;
    }

   private:
    const char* text_;
    const std::uint64_t* mark_;
  };

 private:
  using Mark = std::uint64_t;
  static constexpr Mark kNumber = Mark{1} << 63;
  std::string text_;
  std::vector<Mark> marks_;
  std::size_t start_ = 0;
};

// Measures every cell before anything is printed, so a bad element or column leaves only the
// error line in the output rather than half a table. `plainTextToo` marks the columns whose
// unformatted text is kept as well, after the measured one, for wrapping.
bool MeasureColumns(const MetaList& list, const std::vector<std::string>& columns,
                    const std::vector<char>& plainTextToo, FormatParameters& params,
                    WidthMap& widths, LineWriter& out, CellStore& cells) {
  const bool plainCells = !Internal::HasFieldSettings(params);
  for (const std::string& column : columns) {
    widths[column] = column.size() + kColumnGap;
  }
  // The widths by position while measuring; columns of one name share one width, as in the map.
  std::vector<std::size_t*> width;
  std::vector<ColumnPath> paths;
  for (const std::string& column : columns) {
    width.push_back(&widths[column]);
    paths.emplace_back(column);
  }
  for (const std::shared_ptr<MetaObject>& item : list.GetObjects()) {
    const MetaStruct* element = Internal::As<MetaStruct>(item.get());
    if (element == nullptr) {
      out.Text(kElementNotStructMessage);
      out.EndLine();
      return false;
    }
    auto hint = element->GetFields().begin();
    for (std::size_t index = 0; index < columns.size(); ++index) {
      const std::shared_ptr<MetaObject>* cell = FindCell(*element, paths[index], hint);
      if (cell == nullptr) {
        out.Text(kUnknownFieldMessage);
        out.Text(columns[index]);
        out.EndLine();
        return false;
      }
      const bool numeric = IsNumber(**cell);
      cells.Begin();
      if (plainCells) {
        Internal::AppendValueText(cells.Text(), **cell);
      } else {
        cells.Text() += AutoCli_FormatField(element->GetTypeName(), columns[index], *cell, params);
      }
      const std::size_t length = cells.End(numeric);
      *width[index] = std::max(*width[index], length + kColumnGap);
      if (!plainCells && plainTextToo[index] != 0) {
        cells.Begin();
        Internal::AppendValueText(cells.Text(), **cell);
        cells.End(false);
      }
    }
    if (&item == list.GetObjects().data()) {
      cells.Expect(list.GetObjects().size());
    }
  }
  return true;
}

// The header goes by position: only the column written last is left unpadded, even when an
// earlier column carries the same name.
void WriteHeader(const std::vector<std::string>& columns, const WidthMap& widths, bool headerLine,
                 char fill, LineWriter& out) {
  const std::size_t lastIndex = columns.size() - 1;
  std::string line;
  for (std::size_t i = 0; i < lastIndex; ++i) {
    AppendLeft(line, columns[i], widths.at(columns[i]), fill);
  }
  line += columns[lastIndex];
  out.Text(line);
  out.EndLine();
  if (!headerLine) {
    return;
  }
  line.clear();
  for (std::size_t i = 0; i < lastIndex; ++i) {
    line.append(widths.at(columns[i]) - kColumnGap, '-');
    line.append(kColumnGap, ' ');
  }
  line.append(columns[lastIndex].size(), '-');
  out.Text(line);
  out.EndLine();
}

}  // namespace

std::shared_ptr<MetaObject> GetSubField(std::shared_ptr<MetaStruct> value,
                                        const std::string& path) {
  if (!value) {
    return nullptr;
  }
  if (path.find('.') == std::string::npos) {
    return value->GetField(path);
  }
  std::vector<std::string> parts;
  boost::algorithm::split(parts, path, boost::algorithm::is_any_of("."));
  std::shared_ptr<MetaStruct> current = std::move(value);
  std::shared_ptr<MetaObject> field;
  for (std::size_t i = 0; i < parts.size(); ++i) {
    field = current->GetField(parts[i]);
    if (!field) {
      return nullptr;
    }
    if (i + 1 < parts.size()) {
      current = std::dynamic_pointer_cast<MetaStruct>(field);
      if (!current) {
        return nullptr;
      }
    }
  }
  return field;
}

TableFormatter::TableFormatter() : Formatter("table") {
  description =
      "Print a list of structs as a table, with each row being one entry in the list and each "
      "column being a field of the structure.";
  AddParam("fields:<TypeName>",
           "The list of fields and the order in which to print them for the type named in "
           "<TypeName>",
           true);
  AddParam("show-header", "Optionally disable showing column headers by passing the 'false' value");
  AddParam("wrap-last", "If 'true' wrap the last column to the width of the terminal.");
  AddParam("units:<TypeName>.<FieldName>",
           "Use the given 'units' value as a suffix for a given field.  For example specifying "
           "\"units:ScsiDeviceList.Size\" = \"Mb\" would append the string 'Mb' to the end of a "
           "field");
  AddParam("printf:<TypeName>.<FieldName>",
           "Use the given 'printf' formatting string for printing a value.  This uses standard "
           "printf syntax to format and print a Value.  For example specifying "
           "\"units:ScsiDeviceList.Size\" = \"Mb\" would append the string 'Mb' to the end of a "
           "field");
  AddParam("header-line",
           "Optionally remove the line of '-' characters after the header.  By default this "
           "paramter is assumed to be true.  Setting it to 'false' will remove the line.  This "
           "parameter only has meaning if 'show-header' is also true");
}

std::shared_ptr<TableFormatter> TableFormatter::New() { return std::make_shared<TableFormatter>(); }

bool TableFormatter::Format(const std::shared_ptr<CallSpec::Output>& output,
                            FormatParameters& params, DisplayContext& display, std::ostream& out) {
  const auto list = output ? std::dynamic_pointer_cast<MetaList>(output->GetRootObject()) : nullptr;
  if (!list || list->GetListType() != MetaType::Struct) {
    throw TarnekException(kWrongRootMessage);
  }
  const std::shared_ptr<MetaStruct>& structure = list->GetListStructure();
  if (!structure) {
    // Without a structure there are no column names to print, but an empty result is still a
    // valid answer.
    if (list->GetCount() == 0) {
      return true;
    }
    throw TarnekException(kNoStructureMessage);
  }

  const std::vector<std::string> columns = SelectColumns(*structure, params);
  const std::string lastColumn = columns.empty() ? std::string() : columns.back();

  const std::string& showHeaderValue = params.GetParameter("show-header");
  const bool showHeader =
      (showHeaderValue.empty() ? params.GetParameter("table-header") : showHeaderValue) != "false";
  const bool headerLine = params.GetParameter("header-line") != "false";
  bool wrap = params.GetParameter("wrap-last") == "true" && display.width != 0;

  std::vector<ColumnPath> paths;
  for (const std::string& column : columns) paths.emplace_back(column);
  // Every column carrying the last column's name counts as the last one: names are compared,
  // not positions.
  std::vector<char> columnIsLast;
  for (const std::string& column : columns) {
    columnIsLast.push_back(column == lastColumn);
  }
  LineWriter writer(out, false);
  WidthMap widths;
  CellStore cells;
  if (!MeasureColumns(*list, columns, wrap ? columnIsLast : std::vector<char>(columns.size()),
                      params, widths, writer, cells)) {
    return false;
  }
  const bool plainTextKept =
      wrap && Internal::HasFieldSettings(params);

  out << std::left;
  const char fill = out.fill();
  if (showHeader && !columns.empty()) {
    WriteHeader(columns, widths, headerLine, fill, writer);
  }

  // The wrapped column starts where the others end; it is only worth wrapping when at least
  // its name fits beside them.
  std::size_t indent = 0;
  if (wrap) {
    for (const std::string& column : columns) {
      if (column != lastColumn) {
        indent += widths[column];
      }
    }
    if (indent + lastColumn.size() > display.width) {
      wrap = false;
    }
  }

  // Per column, looked up once rather than per cell.
  std::vector<std::size_t> columnWidths;
  for (const std::string& column : columns) {
    columnWidths.push_back(widths[column]);
  }
  // Padding is copied from a ready run of fill characters: a plain copy costs less than filling.
  const std::string padding(
      columnWidths.empty() ? 0 : *std::max_element(columnWidths.begin(), columnWidths.end()), fill);
  static constexpr char kGap[kColumnGap + 1] = "  ";
  std::string line;
  CellStore::Reader reader(cells);
  for (std::size_t row = 0; row < list->GetObjects().size(); ++row) {
    line.clear();
    for (std::size_t index = 0; index < columns.size(); ++index) {
      const bool isLast = columnIsLast[index] != 0;
      bool numeric;
      const std::string_view text = reader.Next(numeric);
      bool unused;
      const std::string_view plainText = plainTextKept && isLast ? reader.Next(unused) : text;
      if (wrap && isLast && indent != 0) {
        // Wrapped text shows the plain value: printf widths and units would fight the wrapping.
        writer.Text(line);
        writer.Hand();
        line.clear();
        AutoCli_FitString(static_cast<int>(indent), display.width, std::string(plainText), true,
                          out, false, '\0', true);
        continue;
      }
      if (numeric) {
        // Numbers line up on their last digit, in every column including the last.
        const std::size_t room = columnWidths[index] - kColumnGap;
        if (text.size() < room) line.append(padding.data(), room - text.size());
        line.append(text.data(), text.size());
        line.append(kGap, kColumnGap);
      } else {
        line.append(text.data(), text.size());
        if (!isLast && text.size() < columnWidths[index]) {
          line.append(padding.data(), columnWidths[index] - text.size());
        }
      }
    }
    writer.Text(line);
    writer.EndLine();
  }
  return true;
}

}  // namespace AutoCli
}  // namespace Tarnek
