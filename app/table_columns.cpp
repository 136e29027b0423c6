#include "app/table_columns.h"

#include "app/ui_style.h"
#include "core/blackberry_records.h"
#include "core/ios_records.h"
#include "core/scan_list_node.h"

namespace orvane {

namespace {

// A column showing one text member of one record class; other classes
// show nothing in it.
template <class Node, class Field>
std::function<QString(const PRRecord&)> member(Field Node::*field) {
  return [field](const PRRecord& record) {
    const auto* node = dynamic_cast<const Node*>(&record);
    return node != nullptr ? ui::recordText(node->*field).trimmed() : QString();
  };
}

template <class Node>
std::function<QString(const PRRecord&)> optionalMember(std::optional<std::string> Node::*field) {
  return [field](const PRRecord& record) {
    const auto* node = dynamic_cast<const Node*>(&record);
    if (node == nullptr || !(node->*field)) return QString();
    return QString::fromStdString(*(node->*field)).trimmed();
  };
}

// Long texts show their first line only.
template <class Node, class Field>
std::function<QString(const PRRecord&)> firstLine(Field Node::*field) {
  return [field](const PRRecord& record) {
    const auto* node = dynamic_cast<const Node*>(&record);
    if (node == nullptr) return QString();
    const QString all = ui::recordText(node->*field);
    return all.section(QChar('\n'), 0, 0).trimmed();
  };
}

std::function<QString(const PRRecord&)> contentName() {
  return [](const PRRecord& record) {
    const auto* node = dynamic_cast<const PRBlackBerryContentNode*>(&record);
    if (node == nullptr) return QString();
    const QString path = ui::recordText(node->filePathName);
    return path.section(QChar('/'), -1);
  };
}

TableColumn tick() { return {"bSelected", "", 28, {}}; }

std::vector<TableColumn> blackBerryColumns(ResultTable table) {
  using C = PRBlackBerryContactNode;
  using S = PRBlackBerrySMSMessageNode;
  using N = PRBlackBerryNoteNode;
  using H = PRBlackBerryCallNode;
  using K = PRBlackBerryCalenderNode;
  using M = PRBlackBerryMMSMessageNode;
  using F = PRBlackBerryContentNode;
  switch (table) {
    case ResultTable::photo:
      return {tick(),
              {"Name", "Name", 220, contentName()},
              {"Type", "Type", 90, member<F>(&F::ContentFileType)},
              {"Size", "Size", 80, member<F>(&F::contentFileSize)}};
    case ResultTable::contact:
      return {tick(),
              {"Name", "Name", 150, member<C>(&C::contactName)},
              {"Company", "Company", 120, member<C>(&C::companyName)},
              {"Mobile", "Mobile", 110, member<C>(&C::mobilCall)},
              {"Email", "Email", 160, member<C>(&C::email)}};
    case ResultTable::message:
      return {tick(),
              {"Phone", "Phone", 120, member<S>(&S::numberString)},
              {"Type", "Type", 70, member<S>(&S::type)},
              {"Content", "Content", 240, firstLine<S>(&S::contentText)}};
    case ResultTable::note:
      return {tick(),
              {"Title", "Title", 120, member<N>(&N::noteTittle)},
              {"Content", "Content", 307, firstLine<N>(&N::noteContent)}};
    case ResultTable::callHistory:
      return {tick(),
              {"Name", "Name", 110, member<H>(&H::CallName)},
              {"Number", "Number", 174, member<H>(&H::CallNumber)},
              {"Type", "Type", 60, member<H>(&H::CallType)},
              {"Date", "Date", 106, member<H>(&H::CallTime)},
              {"Duration", "Duration", 80, member<H>(&H::callDuration)}};
    case ResultTable::calender:
      return {tick(),
              {"Subject", "Subject", 250, member<K>(&K::bbCalSubject)},
              {"Information", "Information", 400, firstLine<K>(&K::bbCalInformation)}};
    case ResultTable::mms:
      return {tick(),
              {"Number", "Number", 220, member<M>(&M::numberName)},
              {"Attachment", "Attachment", 200, member<M>(&M::contentDataName)},
              {"Type", "Type", 100, member<M>(&M::contentType)},
              {"Text", "Text", 200, firstLine<M>(&M::contentText)}};
    default:
      return {tick()};
  }
}

std::vector<TableColumn> iosColumns(ResultTable table) {
  using P = PRPhotoAndVideoNode;
  using C = PRContactNode;
  using M = PRMessageNode;
  using N = PRNoteNode;
  using H = PRCallHistoryNode;
  using B = PRBookMarkNode;
  using E = PRCalenderNode;
  using T = PRFaceTwitterNode;
  switch (table) {
    case ResultTable::photo:
      return {tick(),
              {"Name", "Name", 220, member<P>(&P::fileNodeName)},
              {"Size", "Size", 90, member<P>(&P::fileNodeSize)}};
    case ResultTable::contact:
      return {tick(),
              {"Name", "Name", 170, member<C>(&C::contactName)},
              {"Phone", "Phone", 150, member<C>(&C::contactPhone)},
              {"Email", "Email", 160, member<C>(&C::contactEmail)}};
    case ResultTable::message:
      return {tick(),
              {"Name", "Name", 110, member<M>(&M::messageName)},
              {"Phone", "Phone", 110, member<M>(&M::messagePhone)},
              {"Date", "Date", 110, member<M>(&M::messageDate)},
              {"Content", "Content", 240, firstLine<M>(&M::messageContent)}};
    case ResultTable::note:
      return {tick(),
              {"Title", "Title", 150, optionalMember<N>(&N::noteTitle)},
              {"Date", "Date", 110, member<N>(&N::noteDate)}};
    case ResultTable::callHistory:
      return {tick(),
              {"Name", "Name", 120, member<H>(&H::callName)},
              {"Number", "Number", 174, member<H>(&H::callPhone)},
              {"Type", "Type", 70, member<H>(&H::callType)},
              {"Date", "Date", 110, member<H>(&H::callDate)}};
    case ResultTable::bookMark:
      return {tick(),
              {"Title", "Title", 200, member<B>(&B::bookMarkTitle)},
              {"URL", "URL", 260, member<B>(&B::bookMarkURL)}};
    case ResultTable::calender:
      return {tick(),
              {"Title", "Title", 200, member<E>(&E::calTitle)},
              {"Location", "Location", 140, member<E>(&E::location)},
              {"Start", "Start", 110, member<E>(&E::startDate)},
              {"End", "End", 110, member<E>(&E::endDate)}};
    case ResultTable::faceTwitter:
      return {tick(),
              {"Name", "Name", 220, member<T>(&T::faceTwitterFileName)},
              {"Size", "Size", 90, member<T>(&T::fileSize)}};
    default:
      return {tick()};
  }
}

std::vector<TableColumn> cardColumns() {
  using F = PRScanListNode;
  return {tick(),
          {"Name", "Name", 260, member<F>(&F::nodeName)},
          {"Size", "Size", 90, member<F>(&F::nodeSizeString)},
          {"Type", "Type", 90, member<F>(&F::fileType)}};
}

}  // namespace

std::vector<TableColumn> columnsFor(ResultTable table, BrowseSource source) {
  switch (table) {
    case ResultTable::bbImage:
    case ResultTable::bbVideo:
    case ResultTable::bbAudio:
    case ResultTable::bbDocument:
    case ResultTable::bbArchive:
      return cardColumns();
    case ResultTable::bookMark:
    case ResultTable::faceTwitter:
      return iosColumns(table);
    default:
      return source == BrowseSource::ios ? iosColumns(table) : blackBerryColumns(table);
  }
}

bool marksDeletedRows(ResultTable table) {
  switch (table) {
    case ResultTable::contact:
    case ResultTable::message:
    case ResultTable::note:
    case ResultTable::callHistory:
    case ResultTable::bookMark:
    case ResultTable::calender:
      return true;
    default:
      return false;
  }
}

}  // namespace orvane
