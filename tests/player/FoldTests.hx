import leafweaver.Fold;
import leafweaver.Vec2;

class FoldTests {
	static inline var W = 400.0;
	static inline var H = 500.0;

	static function area(poly:Array<Vec2>):Float {
		var a = 0.0;
		for (i in 0...poly.length) {
			var p = poly[i], q = poly[(i + 1) % poly.length];
			a += p.x * q.y - q.x * p.y;
		}
		return Math.abs(a) / 2;
	}

	static function distance(a:Vec2, b:Vec2):Float
		return Math.sqrt((a.x - b.x) * (a.x - b.x) + (a.y - b.y) * (a.y - b.y));

	/** Corner places across and beyond the page, for both corners. */
	static function places():Array<{bottom:Bool, x:Float, y:Float}> {
		var out = [];
		for (bottom in [true, false])
			for (x in [-2 * W, -W, -W / 2, 0, W / 3, W * 0.9])
				for (y in [-H, 0, H / 2, H * 0.8, H, 2 * H])
					out.push({bottom: bottom, x: x, y: y});
		return out;
	}

	public static function run(c:Check) {
		c.group("fold geometry");
		c.test("an unfolded page is all flat", function() {
			var f = new Fold(W, H, true);
			c.that(!f.folded, "not folded");
			c.near(W * H, area(f.flatPart()), "flat area");
			c.equal(0, f.foldedPart().length, "folded part");
			var m = f.reflection();
			c.equal("1 0 0 1 0 0", [m.a, m.b, m.c, m.d, m.tx, m.ty].join(" "), "no reflection");
		});
		c.test("folding neither makes nor loses paper", function() {
			for (at in places()) {
				var f = new Fold(W, H, at.bottom);
				f.moveTo(at.x, at.y);
				var where = '(${at.x}, ${at.y}) ${at.bottom ? "bottom" : "top"}';
				c.near(W * H, area(f.flatPart()) + area(f.foldedPart()), "paper at " + where, 1e-3);
				c.near(area(f.uncoveredPart()), area(f.foldedPart()), "uncovered and folded at " + where, 1e-3);
			}
		});
		c.test("the paper stays attached at the spine", function() {
			var diag = Math.sqrt(W * W + H * H);
			for (at in places()) {
				var f = new Fold(W, H, at.bottom);
				f.moveTo(at.x, at.y);
				var own = new Vec2(0, f.c.y), other = new Vec2(0, H - f.c.y);
				c.that(distance(f.p, own) <= W + 1e-6, 'within a page width of its spine end at (${at.x}, ${at.y})');
				c.that(distance(f.p, other) <= diag + 1e-6, 'within the diagonal of the other spine end at (${at.x}, ${at.y})');
			}
		});
		c.test("a corner within reach goes exactly where it is put", function() {
			var f = new Fold(W, H, true);
			f.moveTo(W / 2, H * 0.9);
			c.near(W / 2, f.p.x, "x");
			c.near(H * 0.9, f.p.y, "y");
		});
		c.test("the fold reflects the corner onto its new place and keeps the fold line", function() {
			var f = new Fold(W, H, true);
			f.moveTo(W * 0.2, H * 0.7);
			var m = f.reflection(), q = m.apply(f.c);
			c.near(f.p.x, q.x, "corner x");
			c.near(f.p.y, q.y, "corner y");
			var line = f.foldLine();
			c.that(line != null, "fold line inside the page");
			for (e in line) {
				c.near(distance(e, f.c), distance(e, f.p), "fold line point halfway between corner and place", 1e-6);
				var r = m.apply(e);
				c.near(e.x, r.x, "fold line fixed, x");
				c.near(e.y, r.y, "fold line fixed, y");
			}
		});
		c.test("a corner laid on the spine's far side folds the whole page over", function() {
			for (bottom in [true, false]) {
				var f = new Fold(W, H, bottom);
				f.moveTo(-W, f.c.y);
				c.near(0, area(f.flatPart()), "nothing flat", 1e-3);
				for (q in f.foldedPart())
					c.that(q.x >= -W - 1e-6 && q.x <= 1e-6, "folded part left of the spine: " + q.x);
			}
		});
	}
}
