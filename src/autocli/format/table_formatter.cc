// The "table" formatter: rows of list elements, columns of (possibly nested) fields.
#include "tarnek/autocli/table_formatter.h"

#include <algorithm>
#include <cstddef>
#include <map>
#include <vector>

#include <boost/algorithm/string/classification.hpp>
#include <boost/algorithm/string/split.hpp>

#include "tarnek/exception.h"

namespace Tarnek {
namespace AutoCli {

namespace {

using MetaObj::MetaInt;
using MetaObj::MetaList;
using MetaObj::MetaObject;
using MetaObj::MetaStruct;
using MetaObj::MetaType;

constexpr const char* kWrongRootMessage =
    "Error: Unexpected type for output, formatter, table, expected a List of structs";
constexpr const char* kNoStructureMessage = "Error: Unable to get structure type from list output.";
constexpr const char* kElementNotStructMessage =
    "Error: Unexpected type, unable to get struct from list";
constexpr const char* kUnknownFieldMessage = "Error: Unknown field in field list: ";
constexpr const char* kUnknownColumnMessage = "Unknown column ";

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

void AppendRight(std::string& line, const std::string& text, std::size_t width, char fill) {
  if (text.size() < width) {
    line.append(width - text.size(), fill);
  }
  line += text;
}

bool HasKeyWithPrefix(const FormatParameters& params, const std::string& prefix) {
  const std::map<std::string, std::string>& all = params.GetParameters();
  const auto candidate = all.lower_bound(prefix);
  return candidate != all.end() && candidate->first.compare(0, prefix.size(), prefix) == 0;
}

// The text of every cell, row by row, as measuring made it, and whether the cell is a number:
// the rows are then written without formatting each cell a second time.
struct CellTexts {
  std::vector<std::string> texts;
  std::vector<char> numeric;
};

// Measures every cell before anything is printed, so a bad element or column leaves only the
// error line in the output rather than half a table.
bool MeasureColumns(const MetaList& list, const std::vector<std::string>& columns,
                    FormatParameters& params, WidthMap& widths, std::ostream& out,
                    CellTexts& cells) {
  // Without any "printf:" or "units:" setting a cell's text is its plain value; knowing that
  // once spares building and looking up two keys per cell.
  const bool plainCells =
      !HasKeyWithPrefix(params, "printf:") && !HasKeyWithPrefix(params, "units:");
  cells.texts.reserve(list.GetObjects().size() * columns.size());
  cells.numeric.reserve(list.GetObjects().size() * columns.size());
  for (const std::string& column : columns) {
    widths[column] = column.size() + kColumnGap;
  }
  // The widths by position while measuring; columns of one name share one width, as in the map.
  std::vector<std::size_t*> width;
  for (const std::string& column : columns) width.push_back(&widths[column]);
  for (const std::shared_ptr<MetaObject>& item : list.GetObjects()) {
    const auto element = std::dynamic_pointer_cast<MetaStruct>(item);
    if (!element) {
      out << kElementNotStructMessage << std::endl;
      return false;
    }
    for (std::size_t index = 0; index < columns.size(); ++index) {
      const std::string& column = columns[index];
      std::shared_ptr<MetaObject> cell = GetSubField(element, column);
      if (!cell) {
        out << kUnknownFieldMessage << column << std::endl;
        return false;
      }
      cells.numeric.push_back(dynamic_cast<const MetaInt*>(cell.get()) != nullptr);
      std::string text = plainCells ? cell->ToString()
                                    : AutoCli_FormatField(element->GetTypeName(), column,
                                                          std::move(cell), params);
      *width[index] = std::max(*width[index], text.size() + kColumnGap);
      cells.texts.push_back(std::move(text));
    }
  }
  return true;
}

// The header goes by position: only the column written last is left unpadded, even when an
// earlier column carries the same name.
void WriteHeader(const std::vector<std::string>& columns, const WidthMap& widths, bool headerLine,
                 std::ostream& out) {
  const char fill = out.fill();
  const std::size_t lastIndex = columns.size() - 1;
  std::string line;
  for (std::size_t i = 0; i < lastIndex; ++i) {
    AppendLeft(line, columns[i], widths.at(columns[i]), fill);
  }
  line += columns[lastIndex];
  out << line << std::endl;
  if (!headerLine) {
    return;
  }
  line.clear();
  for (std::size_t i = 0; i < lastIndex; ++i) {
    line.append(widths.at(columns[i]) - kColumnGap, '-');
    line.append(kColumnGap, ' ');
  }
  line.append(columns[lastIndex].size(), '-');
  out << line << std::endl;
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

  WidthMap widths;
  CellTexts cells;
  if (!MeasureColumns(*list, columns, params, widths, out, cells)) {
    return false;
  }

  out << std::left;
  if (showHeader && !columns.empty()) {
    WriteHeader(columns, widths, headerLine, out);
  }

  // The wrapped column starts where the others end; it is only worth wrapping when at least
  // its name fits beside them. Names are compared, not positions, so every column carrying the
  // last column's name counts as the last one.
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

  const char fill = out.fill();
  // Per column, looked up once rather than per cell: its width and whether it is the last one.
  std::vector<std::size_t> columnWidths;
  std::vector<char> columnIsLast;
  for (const std::string& column : columns) {
    columnWidths.push_back(widths[column]);
    columnIsLast.push_back(column == lastColumn);
  }
  std::string line;
  std::size_t cellIndex = 0;
  for (const std::shared_ptr<MetaObject>& item : list->GetObjects()) {
    // Measuring accepted every element, so this cast holds.
    const auto element = std::static_pointer_cast<MetaStruct>(item);
    line.clear();
    for (std::size_t index = 0; index < columns.size(); ++index, ++cellIndex) {
      const std::string& column = columns[index];
      const bool isLast = columnIsLast[index] != 0;
      if (wrap && isLast && indent != 0) {
        std::shared_ptr<MetaObject> cell = GetSubField(element, column);
        if (!cell) {
          out << line << kUnknownColumnMessage << column;
          return false;
        }
        // Wrapped text shows the plain value: printf widths and units would fight the wrapping.
        out << line;
        line.clear();
        AutoCli_FitString(static_cast<int>(indent), display.width, cell->ToString(), true, out,
                          false, '\0', true);
        continue;
      }
      const std::string& text = cells.texts[cellIndex];
      if (cells.numeric[cellIndex] != 0) {
        // Numbers line up on their last digit, in every column including the last.
        AppendRight(line, text, columnWidths[index] - kColumnGap, fill);
        line.append(kColumnGap, ' ');
      } else if (!isLast) {
        AppendLeft(line, text, columnWidths[index], fill);
      } else {
        line += text;
      }
    }
    out << line << std::endl;
  }
  return true;
}

}  // namespace AutoCli
}  // namespace Tarnek
