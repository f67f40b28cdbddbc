import leafweaver.View;

class ViewTests {
	public static function run(c:Check) {
		c.group("zoom and pan");
		c.test("unzoomed, the book fits the area and is centred", function() {
			var v = new View();
			v.setArea(10, 20, 1000, 600);
			var at = v.place(800, 500);
			c.near(1.2, at.scale, "scale");
			c.near(10 + (1000 - 960) / 2, at.x, "x");
			c.near(20, at.y, "y");
			v.panBy(300, 300);
			var still = v.place(800, 500);
			c.that(still.x == at.x && still.y == at.y, "a book that fits does not pan");
		});
		c.test("zoomed in, panning stops before the book leaves the view", function() {
			var v = new View();
			v.setArea(0, 0, 1000, 600);
			v.zoomIn();
			v.zoomIn();
			for (d in [-1e5, 1e5]) {
				v.panBy(d, d);
				var at = v.place(800, 500);
				var w = 800 * at.scale, h = 500 * at.scale;
				c.that(at.x <= 0 && at.x + w >= 1000, "covers the width after a pan by " + d);
				c.that(at.y <= 0 && at.y + h >= 600, "covers the height after a pan by " + d);
			}
		});
		c.test("zooming all the way out centres the book again", function() {
			var v = new View();
			v.setArea(0, 0, 1000, 600);
			var centred = v.place(800, 500);
			v.zoomIn();
			v.panBy(200, 100);
			v.place(800, 500);
			v.zoomOut();
			var at = v.place(800, 500);
			c.that(at.x == centred.x && at.y == centred.y, "centred");
		});
		c.test("zoom has a closest and a farthest level", function() {
			var v = new View();
			c.that(!v.zoomOut() && !v.zoomed, "no zooming out of the whole book");
			var steps = 0;
			while (v.zoomIn())
				steps++;
			c.equal(4, steps, "levels above the whole book");
			c.that(!v.canZoomIn, "no further");
		});

		c.test("zooming about a point keeps the book under it, within the pan's limits", function() {
			var v = new View();
			v.setArea(0, 0, 1000, 600);
			var whole = v.place(800, 500);
			// The book point under (700, 200) before and after.
			var bx = (700 - whole.x) / whole.scale, by = (200 - whole.y) / whole.scale;
			c.that(v.zoomAbout(2, 700, 200, 800, 500), "zoomed");
			c.equal(2, v.zoomLevel, "level");
			var at = v.place(800, 500);
			c.near(700, at.x + bx * at.scale, "x kept", 1e-6);
			c.near(200, at.y + by * at.scale, "y kept", 1e-6);
			c.that(!v.zoomAbout(2, 0, 0, 800, 500), "the same level changes nothing");
			// At the book's very corner the pan stops first: the book still covers the view.
			v.zoomAbout(4, 0, 0, 800, 500);
			var corner = v.place(800, 500);
			c.that(corner.x <= 0 && corner.x + 800 * corner.scale >= 1000, "covers the width");
			c.that(v.zoomAbout(0, 300, 300, 800, 500) && !v.zoomed, "back to the whole book");
			var back = v.place(800, 500);
			c.that(back.x == whole.x && back.y == whole.y, "centred again");
			c.that(!v.zoomAbout(99, 1, 1, 800, 500) || v.zoomLevel == View.levels() - 1, "kept within the levels");
		});
	}
}
