package leafweaver;

/**
	The geometry of a page being turned. Coordinates are those of a page
	lying flat to the right of the spine: spine at x = 0, page from (0,0)
	to (w,h). The grabbed corner c is folded onto the point p; the fold
	line is the perpendicular bisector of c and p. Plain arithmetic, no
	display objects: the drawing side turns `reflection()` into a matrix.
**/
class Fold {
	public var w(default, null):Float;
	public var h(default, null):Float;
	public var c(default, null):Vec2;
	public var p(default, null):Vec2;
	/** Vec2 on the fold line and the unit normal pointing towards the corner. */
	var mx:Float;
	var my:Float;
	var nx:Float;
	var ny:Float;
	public var folded(default, null):Bool;

	public function new(w:Float, h:Float, cornerBottom:Bool) {
		this.w = w;
		this.h = h;
		c = new Vec2(w, cornerBottom ? h : 0);
		p = c.clone();
		folded = false;
	}

	/**
		Moves the folded corner towards (x, y), keeping the paper attached to
		the spine: the corner stays within the page width of the spine end on
		its own edge and within the diagonal of the other spine end.
	**/
	public function moveTo(x:Float, y:Float) {
		var s1y = c.y, s2y = h - c.y;
		var dx = x, dy = y - s1y;
		var d = Math.sqrt(dx * dx + dy * dy);
		if (d > w) {
			x = dx * w / d;
			y = s1y + dy * w / d;
		}
		var diag = Math.sqrt(w * w + h * h);
		dx = x;
		dy = y - s2y;
		d = Math.sqrt(dx * dx + dy * dy);
		if (d > diag) {
			x = dx * diag / d;
			y = s2y + dy * diag / d;
		}
		p.x = x;
		p.y = y;
		var ex = c.x - p.x, ey = c.y - p.y;
		var el = Math.sqrt(ex * ex + ey * ey);
		folded = el > 0.01;
		if (folded) {
			nx = ex / el;
			ny = ey / el;
			mx = (c.x + p.x) / 2;
			my = (c.y + p.y) / 2;
		}
	}

	/** Part of the page that stays flat (all of it when nothing is folded). */
	public function flatPart():Array<Vec2> {
		var page = rect();
		return folded ? clip(page, false) : page;
	}

	/** The folded-over part, where it now lies (its back side shows). */
	public function foldedPart():Array<Vec2> {
		if (!folded)
			return [];
		return [for (q in clip(rect(), true)) reflect(q)];
	}

	/** The flat page area uncovered by the fold. */
	public function uncoveredPart():Array<Vec2> {
		return folded ? clip(rect(), true) : [];
	}

	/** The reflection across the fold line. */
	public function reflection():Affine {
		if (!folded)
			return new Affine();
		// x' = x - 2 ((x - m) . n) n
		var a = 1 - 2 * nx * nx, b = -2 * nx * ny, d = 1 - 2 * ny * ny;
		var k = 2 * (mx * nx + my * ny);
		return new Affine(a, b, b, d, k * nx, k * ny);
	}

	/** Two points of the fold line inside the page, or null. */
	public function foldLine():Null<Array<Vec2>> {
		if (!folded)
			return null;
		var pts:Array<Vec2> = [];
		var page = rect();
		for (i in 0...4) {
			var a = page[i], b = page[(i + 1) % 4];
			var da = side(a), db = side(b);
			if ((da <= 0 && db > 0) || (da > 0 && db <= 0)) {
				var t = da / (da - db);
				pts.push(new Vec2(a.x + (b.x - a.x) * t, a.y + (b.y - a.y) * t));
			}
		}
		return pts.length >= 2 ? [pts[0], pts[1]] : null;
	}

	public function normal():Vec2 {
		return new Vec2(nx, ny);
	}

	function rect():Array<Vec2> {
		return [new Vec2(0, 0), new Vec2(w, 0), new Vec2(w, h), new Vec2(0, h)];
	}

	inline function side(q:Vec2):Float {
		return (q.x - mx) * nx + (q.y - my) * ny;
	}

	function reflect(q:Vec2):Vec2 {
		var s = 2 * side(q);
		return new Vec2(q.x - s * nx, q.y - s * ny);
	}

	/** Clips a convex polygon to one side of the fold line. */
	function clip(poly:Array<Vec2>, cornerSide:Bool):Array<Vec2> {
		var out:Array<Vec2> = [];
		var n = poly.length;
		for (i in 0...n) {
			var a = poly[i], b = poly[(i + 1) % n];
			var da = side(a), db = side(b);
			if (!cornerSide) {
				da = -da;
				db = -db;
			}
			var ina = da >= 0, inb = db >= 0;
			if (ina)
				out.push(a);
			if (ina != inb) {
				var t = da / (da - db);
				out.push(new Vec2(a.x + (b.x - a.x) * t, a.y + (b.y - a.y) * t));
			}
		}
		return out;
	}
}
