# Compares the results of the differential test (cases written by korvane-differential) with
# KLayout's regions, run as `klayout -b -r peer_compare.py -rd cases=FILE [-rd ops=size,merge]`
# (FILE may be a pipe). Each case is classed by the area of the XOR of our result and the peer's:
#   identical  XOR empty;
#   rounding   the XOR is a band along the outlines: its area is at most the longer perimeter
#              times one unit and nothing of it survives a shrink by one unit;
#   rule       (sizing only) what of the XOR lies outside the squares of half-side 2|d| + 2
#              about the input's acute corners (edges meeting at less than 90 degrees) passes
#              as rounding: we cut those corners along the axis-parallel square, the peer's
#              size mode 2 cuts them across the bisector, and the two cuts differ within about
#              d * sqrt(2) of the corner;
#   rounding   also (sizing only) when, outside those zones, the XOR is small and at a point of
#              each of its parts wider than the band our result is right by the distance from
#              the input: the peer rounds the moved edges of long thin spikes by more than a unit;
#   fault      anything else, and every case whose result failed our oracle or threw.
# Prints one "tally OP CASES IDENTICAL ROUNDING RULE FAULT" line per operation, then one
# "fault VERTICES SEED OP KIND AMOUNT REASON" line per fault, for the caller to sum and sort.
import math
import sys

import pya

CLASSES = ("identical", "rounding", "rule", "fault")
OPS = ("size", "merge", "subtract")


def read_rings(lines, label):
    head = next(lines).split()
    if head[0] != label:
        raise ValueError("expected %s, read %s" % (label, head[0]))
    rings = []
    for _ in range(int(head[1])):
        numbers = [int(v) for v in next(lines).split()]
        rings.append([pya.Point(numbers[1 + 2 * i], numbers[2 + 2 * i]) for i in range(numbers[0])])
    return rings


def read_cases(path):
    with open(path) as stream:
        lines = iter(stream)
        for line in lines:
            fields = line.split()
            if not fields:
                continue
            oracle = next(lines).rstrip("\n").split(" ", 2)
            yield {
                "seed": int(fields[1]),
                "op": fields[2],
                "kind": fields[3],
                "amount": int(fields[4]),
                "area": pya.Box(int(fields[5]), int(fields[6]), int(fields[7]), int(fields[8])),
                "oracle": None if oracle[1] == "ok" else oracle[2],
                "input": read_rings(lines, "input"),
                "result": read_rings(lines, "result"),
            }


def region_of(rings):
    region = pya.Region()
    for ring in rings:
        region.insert(pya.Polygon(ring))
    return region


def peer_result(case, source):
    amount = case["amount"]
    if case["op"] == "size" and amount < 0:
        # Shrinking leaves nothing of a polygon narrower than twice the amount; the peer would
        # spend minutes on some of those, so they are dropped first.
        kept = pya.Region()
        for polygon in source.merged().each():
            box = polygon.bbox()
            if 2 * -amount < min(box.width(), box.height()):
                kept.insert(polygon)
        return kept.sized(amount, amount, 2)
    if case["op"] == "size":
        return source.sized(amount, amount, 2)
    if case["op"] == "merge":
        return source.merged()
    return source - pya.Region(case["area"])


def is_rounding(xor, perimeter):
    return xor.area() <= perimeter and xor.sized(-1).is_empty()


def acute_corner_zones(source, reach):
    zones = pya.Region()
    for polygon in source.merged().each():
        contours = [list(polygon.each_point_hull())]
        contours += [list(polygon.each_point_hole(h)) for h in range(polygon.holes())]
        for points in contours:
            n = len(points)
            for i in range(n):
                p, v, q = points[i - 1], points[i], points[(i + 1) % n]
                if (p.x - v.x) * (q.x - v.x) + (p.y - v.y) * (q.y - v.y) > 0:
                    zones.insert(pya.Box(v.x - reach, v.y - reach, v.x + reach, v.y + reach))
    return zones


def contours(source):
    for polygon in source.merged().each():
        yield list(polygon.each_point_hull()), True
        for h in range(polygon.holes()):
            yield list(polygon.each_point_hole(h)), False


def mitre_skip_zones(source, amount):
    """Thin triangles at the corners that bend by less than a degree.

    There the peer does not join the moved edges where they cross: it leaves the vertex where
    the moved edge before the corner ends and runs straight on to the next point of the moved
    edge after it (or the other way round), while we join them at their crossing. Each triangle
    lies between the crossing and such a chord."""
    zones = pya.Region()
    d = abs(amount)
    for points, hull in contours(source):
        n = len(points)
        twice_area = sum(points[i - 1].x * points[i].y - points[i].x * points[i - 1].y for i in range(n))
        inside_left = (twice_area > 0) == hull
        # The side the edges move to, as the sign of the left normal.
        side = (1 if inside_left else -1) * (-1 if amount > 0 else 1)
        for i in range(n):
            p, v, q = points[i - 1], points[i], points[(i + 1) % n]
            ax, ay, bx, by = v.x - p.x, v.y - p.y, q.x - v.x, q.y - v.y
            la, lb = math.hypot(ax, ay), math.hypot(bx, by)
            if la == 0 or lb == 0:
                continue
            ua, ub = (ax / la, ay / la), (bx / lb, by / lb)
            cross = ua[0] * ub[1] - ua[1] * ub[0]
            dot = ua[0] * ub[0] + ua[1] * ub[1]
            if dot <= math.cos(math.radians(1)) or cross == 0:
                continue
            na = (-ua[1] * side * d, ua[0] * side * d)
            nb = (-ub[1] * side * d, ub[0] * side * d)
            k = 1 / (1 + dot)
            m = (v.x + (na[0] + nb[0]) * k, v.y + (na[1] + nb[1]) * k)
            a = (v.x + na[0], v.y + na[1])
            b = (v.x + nb[0], v.y + nb[1])
            far_b = (b[0] + ub[0] * (lb + d), b[1] + ub[1] * (lb + d))
            far_a = (a[0] - ua[0] * (la + d), a[1] - ua[1] * (la + d))
            for triangle in ((a, m, far_b), (far_a, m, b)):
                zones.insert(pya.Polygon([pya.Point(round(x), round(y)) for x, y in triangle]))
    return zones


def distance_to_outline(source, point):
    best = math.inf
    for polygon in source.each():
        for edge in polygon.each_edge():
            dx, dy = edge.p2.x - edge.p1.x, edge.p2.y - edge.p1.y
            length2 = dx * dx + dy * dy
            t = 0 if length2 == 0 else ((point.x - edge.p1.x) * dx + (point.y - edge.p1.y) * dy) / length2
            t = min(1, max(0, t))
            best = min(best, math.hypot(point.x - edge.p1.x - t * dx, point.y - edge.p1.y - t * dy))
    return best


def covers(region, point):
    return any(polygon.inside(point) for polygon in region.each())


def ours_hold_where_thick(case, source, ours, rest):
    """Whether our result is right, by the distance from the input, at a point of every part of
    the difference that is more than a rounding band: the peer rounds the moved edges of long thin
    spikes by more than a unit, and there the band grows wider. A point belongs to the sized
    region when it lies at least d inside the input (shrinking) or inside it or within d of it
    (growing); our result may miss that by the oracle's slack."""
    d, slack = abs(case["amount"]), 2.2
    merged = source.merged()
    for part in rest.sized(-1).each():
        point = next(part.each_point_hull())
        gap = distance_to_outline(merged, point)
        if abs(gap - d) <= slack:
            continue
        inside = covers(merged, point)
        belongs = inside and gap > d if case["amount"] < 0 else inside or gap < d
        if covers(ours, point) != belongs:
            return False
    return True


def classify(case):
    if case["oracle"] is not None:
        return "fault", "oracle: " + case["oracle"]
    source = region_of(case["input"])
    ours = region_of(case["result"])
    peer = peer_result(case, source)
    xor = ours ^ peer
    area = xor.area()
    if area == 0:
        return "identical", ""
    perimeter = max(ours.perimeter(), peer.perimeter())
    if is_rounding(xor, perimeter):
        return "rounding", ""
    if case["op"] == "size":
        zones = acute_corner_zones(source, 2 * abs(case["amount"]) + 2) + mitre_skip_zones(source, case["amount"])
        if not zones.is_empty() and is_rounding(xor - zones, perimeter):
            return "rule", ""
        rest = xor - zones
        if rest.area() <= perimeter and ours_hold_where_thick(case, source, ours, rest):
            return "rounding", ""
    return "fault", "xor area %d, box %s" % (area, xor.bbox())


def main():
    wanted = set(ops.split(",")) if "ops" in globals() else set(OPS)
    tally = {op: dict((c, 0) for c in CLASSES) for op in OPS}
    faults = []
    for case in read_cases(cases):
        if case["op"] not in wanted:
            continue
        verdict, reason = classify(case)
        tally[case["op"]][verdict] += 1
        if verdict == "fault":
            vertices = sum(len(r) for r in case["input"])
            faults.append((vertices, case["seed"], case["op"], case["kind"], case["amount"], reason))
    for op in OPS:
        row = tally[op]
        print("tally %s %d %s" % (op, sum(row.values()), " ".join(str(row[c]) for c in CLASSES)))
    for fault in sorted(faults):
        print("fault %d %d %s %s %d %s" % fault)
    sys.stdout.flush()


main()
