import leafweaver.Highlights;

class HighlightsTests {
	public static function run(c:Check) {
		c.group("highlights");
		c.test("boxes of a page, cut to the page; the page before is told", function() {
			var h = new Highlights();
			c.equal(-1, h.set(3, [[0.1, 0.2, 0.3, 0.05], [0.9, -0.1, 0.5, 0.2]], 5), "nothing before");
			c.equal(2, h.page, "0-based page");
			c.equal(2, h.boxes.length, "both kept");
			c.equal(0.1, h.boxes[0].x, "x");
			c.near(0.05, h.boxes[0].h, "h");
			// The second is cut at the right and top edges.
			c.near(0.1, h.boxes[1].w, "cut at the right");
			c.equal(0, h.boxes[1].y, "cut at the top");
			c.near(0.1, h.boxes[1].h, "height left");
			c.equal(2, h.on(2).length, "drawn on its page");
			c.equal(0, h.on(1).length, "not on another");
			c.equal(2, h.set("4", [[0, 0, 1, 1]], 5), "the page before");
			c.equal(3, h.page, "a number as text");
		});
		c.test("page 0, pages outside the book and boxes that do not read clear", function() {
			var h = new Highlights();
			h.set(1, [[0, 0, 0.5, 0.5]], 5);
			c.equal(0, h.set(0, [[0, 0, 0.5, 0.5]], 5), "page 0 clears");
			c.equal(-1, h.page, "none");
			for (bad in ([[1, [[0, 0, 0, 0.1]]], [1, [[1.2, 0, 0.1, 0.1]]], [1, [["a", 0, 1, 1]]], [1, [[0, 0, 1]]], [1, "x"], [6, [[0, 0, 1, 1]]],
				[-1, [[0, 0, 1, 1]]], ["x", [[0, 0, 1, 1]]], [1, [[Math.NaN, 0, 1, 1]]]] : Array<Array<Dynamic>>)) {
				h.set(bad[0], bad[1], 5);
				c.that(h.page == -1 && h.boxes.length == 0, "kept " + bad);
			}
		});
		c.test("at most MAX_BOXES boxes", function() {
			var h = new Highlights();
			h.set(1, [for (i in 0...Highlights.MAX_BOXES + 20) [0, i / 1000, 0.5, 0.001]], 1);
			c.equal(Highlights.MAX_BOXES, h.boxes.length, "count");
		});
	}
}
