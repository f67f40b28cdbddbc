package leafweaver;

/**
	Tests of axis-aligned rectangles against a convex polygon (its corners in
	order, either way round), for leaving out what a turn does not show.
**/
class Convex {
	/** Whether the rectangle (x0, y0)-(x1, y1) and the polygon share any point; false for fewer than three corners. */
	public static function meetsRect(poly:Array<Vec2>, x0:Float, y0:Float, x1:Float, y1:Float):Bool {
		if (poly.length < 3)
			return false;
		var minX = Math.POSITIVE_INFINITY, maxX = Math.NEGATIVE_INFINITY;
		var minY = Math.POSITIVE_INFINITY, maxY = Math.NEGATIVE_INFINITY;
		for (p in poly) {
			minX = Math.min(minX, p.x);
			maxX = Math.max(maxX, p.x);
			minY = Math.min(minY, p.y);
			maxY = Math.max(maxY, p.y);
		}
		if (maxX < x0 || minX > x1 || maxY < y0 || minY > y1)
			return false;
		// Separated by a line through one of the polygon's edges?
		var corners = [new Vec2(x0, y0), new Vec2(x1, y0), new Vec2(x1, y1), new Vec2(x0, y1)];
		for (i in 0...poly.length) {
			var a = poly[i], b = poly[(i + 1) % poly.length];
			var nx = a.y - b.y, ny = b.x - a.x;
			if (nx == 0 && ny == 0)
				continue;
			var pMin = Math.POSITIVE_INFINITY, pMax = Math.NEGATIVE_INFINITY;
			for (p in poly) {
				var d = p.x * nx + p.y * ny;
				pMin = Math.min(pMin, d);
				pMax = Math.max(pMax, d);
			}
			var rMin = Math.POSITIVE_INFINITY, rMax = Math.NEGATIVE_INFINITY;
			for (c in corners) {
				var d = c.x * nx + c.y * ny;
				rMin = Math.min(rMin, d);
				rMax = Math.max(rMax, d);
			}
			if (rMax < pMin || rMin > pMax)
				return false;
		}
		return true;
	}

	/** Whether the rectangle (x0, y0)-(x1, y1) lies wholly inside the polygon; false for fewer than three corners. */
	public static function holdsRect(poly:Array<Vec2>, x0:Float, y0:Float, x1:Float, y1:Float):Bool {
		if (poly.length < 3)
			return false;
		var area = 0.0;
		for (i in 0...poly.length) {
			var a = poly[i], b = poly[(i + 1) % poly.length];
			area += a.x * b.y - b.x * a.y;
		}
		if (area == 0)
			return false;
		var sign = area > 0 ? 1.0 : -1.0;
		for (c in [new Vec2(x0, y0), new Vec2(x1, y0), new Vec2(x1, y1), new Vec2(x0, y1)]) {
			for (i in 0...poly.length) {
				var a = poly[i], b = poly[(i + 1) % poly.length];
				if (sign * ((b.x - a.x) * (c.y - a.y) - (b.y - a.y) * (c.x - a.x)) < 0)
					return false;
			}
		}
		return true;
	}
}
