#include "files/SVGScan.h"

#include <QHash>
#include <QStringList>
#include <QXmlStreamReader>

#include <algorithm>
#include <vector>

namespace velmaris {

namespace {

// The renderer recurses per level of nesting and per <use> it follows, at up to 5 KB of stack a
// level: 200 levels fit in 1 MB, a few thousand overflow a thread's stack.
constexpr int kMaxDepth = 200;
// Elements in the file: far above any drawing, far below what takes the renderer minutes to load.
constexpr qsizetype kMaxElements = 200'000;
// Elements drawn once every <use> is replaced by its target: uses of groups of uses multiply.
constexpr qint64 kMaxExpandedElements = 1'000'000;
// A <use> of something it is inside draws nothing, but the renderer takes about as long to find
// that out, each time it meets one, as it takes to draw a thousand elements.
constexpr qint64 kCircularUseCost = 1'000;

struct Element {
    qsizetype firstChild = -1;
    qsizetype nextSibling = -1;
    QStringList references;  // the ids a <use> draws (href, xlink:href)
};

struct Cost {
    qint64 elements = 0;
    int depth = 0;
};

// Element and attribute names without their prefix: namespaces are not processed, so that an
// undeclared xlink prefix, which the renderer accepts, is no error here.
QStringView localName(QStringView qualified)
{
    return qualified.mid(qualified.lastIndexOf(u':') + 1);
}

bool mentionsFilter(QStringView text)
{
    return text.contains(u"filter", Qt::CaseInsensitive);
}

// Whether a reference is a data address holding an SVG document, by its declared type or, with
// none declared, by its first characters, as the renderer guesses. The renderer would parse and
// draw that document without this look.
bool embedsSVG(QStringView reference)
{
    reference = reference.trimmed();
    const qsizetype comma = reference.indexOf(u',');
    if (!reference.startsWith(u"data:", Qt::CaseInsensitive) || comma < 0)
        return false;
    const QStringView header = reference.mid(5, comma - 5);
    if (header.contains(u"svg", Qt::CaseInsensitive) || header.contains(u"xml", Qt::CaseInsensitive))
        return true;
    if (!header.isEmpty() && !header.startsWith(u';'))
        return false;
    const QByteArray start = reference.mid(comma + 1, 256).toLatin1();
    QByteArray content = header.endsWith(u"base64", Qt::CaseInsensitive) ? QByteArray::fromBase64(start)
                                                                          : QByteArray::fromPercentEncoding(start);
    content.replace('\0', "").replace("\xEF\xBB\xBF", "").replace("\xFF\xFE", "").replace("\xFE\xFF", "");
    return content.trimmed().startsWith('<');
}

// Calls visit with each child of an element and each element its <use> references by id.
template <typename Visit>
void forEachPartOf(const std::vector<Element>& elements, const QMultiHash<QString, qsizetype>& ids,
                   const Element& element, const Visit& visit)
{
    for (qsizetype child = element.firstChild; child >= 0; child = elements[size_t(child)].nextSibling)
        visit(child);
    for (const QString& reference : element.references) {
        for (auto used = ids.constFind(reference); used != ids.cend() && used.key() == reference; ++used)
            visit(*used);
    }
}

// Whether some circle of references can be walked in more than one way: elements that reach each
// other through more edges than a single ring has. The renderer follows such circles to a fixed
// depth before it gives up, along every way at once, so its time grows as the number of ways to the
// power of that depth (two groups of six uses of each other take a minute). A plain ring, such as
// a group holding one use of itself, it leaves quickly. Tarjan's components, iteratively.
bool hasBranchingCircle(const std::vector<Element>& elements, const QMultiHash<QString, qsizetype>& ids)
{
    const size_t count = elements.size();
    std::vector<std::vector<qsizetype>> parts(count);
    for (size_t index = 0; index < count; ++index)
        forEachPartOf(elements, ids, elements[index], [&](qsizetype part) { parts[index].push_back(part); });

    constexpr qsizetype unvisited = -1;
    std::vector<qsizetype> order(count, unvisited), lowest(count, 0), component(count, unvisited);
    std::vector<char> onStack(count, 0);
    std::vector<qsizetype> stack;
    std::vector<std::pair<qsizetype, size_t>> walk;  // element and the next of its parts to look at
    qsizetype visited = 0;
    qsizetype components = 0;
    for (size_t root = 0; root < count; ++root) {
        if (order[root] != unvisited)
            continue;
        walk.emplace_back(qsizetype(root), 0);
        while (!walk.empty()) {
            auto& [index, next] = walk.back();
            const size_t at = size_t(index);
            if (next == 0 && order[at] == unvisited) {
                order[at] = lowest[at] = visited++;
                stack.push_back(index);
                onStack[at] = 1;
            }
            if (next < parts[at].size()) {
                const size_t part = size_t(parts[at][next++]);
                if (order[part] == unvisited)
                    walk.emplace_back(qsizetype(part), 0);
                else if (onStack[part])
                    lowest[at] = std::min(lowest[at], order[part]);
                continue;
            }
            if (lowest[at] == order[at]) {
                qsizetype member = -1;
                do {
                    member = stack.back();
                    stack.pop_back();
                    onStack[size_t(member)] = 0;
                    component[size_t(member)] = components;
                } while (member != index);
                ++components;
            }
            const qsizetype finished = index;
            walk.pop_back();
            if (!walk.empty()) {
                const size_t parent = size_t(walk.back().first);
                lowest[parent] = std::min(lowest[parent], lowest[size_t(finished)]);
            }
        }
    }

    // A ring of n elements has n edges inside its component; any more and the circle branches.
    std::vector<qint64> members(size_t(components), 0), edges(size_t(components), 0);
    for (size_t index = 0; index < count; ++index) {
        ++members[size_t(component[index])];
        for (const qsizetype part : parts[index])
            edges[size_t(component[index])] += component[size_t(part)] == component[index];
    }
    for (size_t c = 0; c < size_t(components); ++c) {
        if (edges[c] > members[c])
            return true;
    }
    return false;
}

// Elements drawn and depth reached from the root, following uses by id; each element is costed
// once. Iterative, as use chains may be as long as the file. A use inside what it references
// draws nothing, as in the renderer, but is charged for the time the renderer spends on it; one
// whose id names several elements is charged for all of them.
bool expandedCostWithinLimits(const std::vector<Element>& elements, const QMultiHash<QString, qsizetype>& ids)
{
    enum class State : char { unvisited, visiting, done };
    std::vector<State> states(elements.size(), State::unvisited);
    std::vector<Cost> costs(elements.size());
    const auto forEachPart = [&](const Element& element, const auto& visit) {
        forEachPartOf(elements, ids, element, visit);
    };
    std::vector<qsizetype> stack{0};
    while (!stack.empty()) {
        const qsizetype index = stack.back();
        const Element& element = elements[size_t(index)];
        if (states[size_t(index)] == State::unvisited) {
            states[size_t(index)] = State::visiting;
            forEachPart(element, [&](qsizetype part) {
                if (states[size_t(part)] == State::unvisited)
                    stack.push_back(part);
            });
            continue;
        }
        stack.pop_back();
        if (states[size_t(index)] == State::done)
            continue;
        Cost cost{1, 1};
        forEachPart(element, [&](qsizetype part) {
            if (states[size_t(part)] != State::done) {
                cost.elements += kCircularUseCost;
                return;
            }
            cost.elements += costs[size_t(part)].elements;
            cost.depth = std::max(cost.depth, costs[size_t(part)].depth + 1);
        });
        if (cost.elements > kMaxExpandedElements || cost.depth > kMaxDepth)
            return false;
        costs[size_t(index)] = cost;
        states[size_t(index)] = State::done;
    }
    return true;
}

}  // namespace

std::optional<SVGScan> scanSVG(const QByteArray& data)
{
    QXmlStreamReader reader(data);
    reader.setNamespaceProcessing(false);
    SVGScan scan;
    std::vector<Element> elements;
    QMultiHash<QString, qsizetype> ids;
    std::vector<qsizetype> open;          // the elements enclosing the reader's position
    std::vector<qsizetype> lastChildren;  // the last child so far of each open element
    bool inStyle = false;
    while (!reader.atEnd()) {
        switch (reader.readNext()) {
        case QXmlStreamReader::DTD:
            // Entities are where XML documents explode; nothing we draw needs them.
            if (!reader.entityDeclarations().isEmpty() || reader.text().contains(u'['))
                return std::nullopt;
            break;
        case QXmlStreamReader::StartElement: {
            if (qsizetype(elements.size()) == kMaxElements || qsizetype(open.size()) == kMaxDepth)
                return std::nullopt;
            const qsizetype index = qsizetype(elements.size());
            elements.emplace_back();
            if (!open.empty()) {
                qsizetype& last = lastChildren.back();
                (last < 0 ? elements[size_t(open.back())].firstChild : elements[size_t(last)].nextSibling) = index;
                last = index;
            }
            open.push_back(index);
            lastChildren.push_back(-1);
            const QStringView name = localName(reader.qualifiedName());
            inStyle = name == u"style";
            scan.filtered = scan.filtered || name == u"filter";
            for (const QXmlStreamAttribute& attribute : reader.attributes()) {
                const QStringView attributeName = localName(attribute.qualifiedName());
                const QStringView value = attribute.value();
                if (attributeName == u"id")
                    ids.insert(value.toString(), index);
                else if (attributeName == u"filter" || (attributeName == u"style" && mentionsFilter(value)))
                    scan.filtered = true;
                else if (attributeName == u"href" && embedsSVG(value))
                    return std::nullopt;
                else if (name == u"use" && attributeName == u"href" && value.startsWith(u'#'))
                    elements.back().references.append(value.mid(1).toString());
            }
            break;
        }
        case QXmlStreamReader::EndElement:
            open.pop_back();
            lastChildren.pop_back();
            inStyle = false;
            break;
        case QXmlStreamReader::Characters:
            scan.filtered = scan.filtered || (inStyle && mentionsFilter(reader.text()));
            break;
        default:
            break;
        }
    }
    if (reader.hasError() || elements.empty() || hasBranchingCircle(elements, ids)
        || !expandedCostWithinLimits(elements, ids))
        return std::nullopt;
    return scan;
}

}  // namespace velmaris
