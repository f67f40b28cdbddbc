import leafweaver.Convex;
import leafweaver.Fold;
import leafweaver.Vec2;

class ConvexTests {
	public static function run(c:Check) {
		c.group("what a turn shows of a page");
		// A triangle (clockwise on screen) and the same corners the other way round.
		var tri = [new Vec2(0, 0), new Vec2(100, 0), new Vec2(0, 100)];
		var back = [tri[2], tri[1], tri[0]];
		c.test("a rectangle meets a polygon only where they share points, whichever way round", function() {
			for (p in [tri, back]) {
				c.that(Convex.meetsRect(p, 10, 10, 20, 20), "inside");
				c.that(Convex.meetsRect(p, 40, 40, 200, 200), "across the long edge");
				c.that(!Convex.meetsRect(p, 60, 60, 90, 90), "past the long edge, though within its box");
				c.that(!Convex.meetsRect(p, 150, 0, 200, 50), "beside it");
				c.that(Convex.meetsRect(p, -50, -50, 200, 200), "around it");
			}
			c.that(!Convex.meetsRect([], 0, 0, 10, 10), "an empty polygon meets nothing");
		});
		c.test("a rectangle is held only when all of it is inside", function() {
			for (p in [tri, back]) {
				c.that(Convex.holdsRect(p, 10, 10, 20, 20), "inside");
				c.that(!Convex.holdsRect(p, 40, 40, 70, 70), "across the long edge");
				c.that(!Convex.holdsRect(p, -50, -50, 200, 200), "around it");
			}
			c.that(!Convex.holdsRect([new Vec2(0, 0), new Vec2(10, 10), new Vec2(20, 20)], 5, 5, 6, 6), "a flat polygon holds nothing");
		});
		c.test("during a turn every point of the page lies in the flat part or the uncovered part", function() {
			var f = new Fold(400, 500, true);
			f.moveTo(150, 380);
			var flat = f.flatPart(), open = f.uncoveredPart();
			// Cells of a page: each meets at least one of the two parts, and
			// those far on one side meet only that one.
			for (row in 0...5)
				for (col in 0...4) {
					var x0 = col * 100.0, y0 = row * 100.0;
					c.that(Convex.meetsRect(flat, x0, y0, x0 + 100, y0 + 100) || Convex.meetsRect(open, x0, y0, x0 + 100, y0 + 100),
						"cell " + col + "," + row + " shown by neither");
				}
			c.that(!Convex.meetsRect(open, 0, 0, 100, 100), "the far corner is not uncovered");
			c.that(!Convex.meetsRect(flat, 380, 480, 400, 500), "the lifted corner is not flat");
		});
	}
}
