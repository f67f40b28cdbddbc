import leafweaver.BarLayout;

class BarLayoutTests {
	public static function run(c:Check) {
		c.group("control bar layout");
		c.test("a wide stage keeps the whole row centred, 346 pixels wide", function() {
			var at = BarLayout.place(1000, BarLayout.BOX, 2);
			c.equal("[327,361,395,497,531,577,611,645]", [for (n in BarLayout.ROW) at.row.get(n)], "row");
			c.equal("[964,930]", at.ends, "end buttons");
		});
		c.test("on a phone nothing overlaps, the arrows and the box stay, less needed buttons go first", function() {
			for (w in [360, 375, 390, 414, 430])
				for (box in [96.0, 120, 140])
					for (ends in [0, 1, 2]) {
						var at = BarLayout.place(w, box, ends);
						var spans = [for (n in BarLayout.ROW) if (at.row.exists(n)) {name: n, x: at.row.get(n), w: n == "number" ? box : 28.0}];
						for (x in at.ends)
							spans.push({name: "end", x: x, w: 28.0});
						spans.sort(function(a, b) return a.x < b.x ? -1 : 1);
						var where = '$w px, box $box, $ends end buttons';
						c.that(spans[0].x >= BarLayout.EDGE && spans[spans.length - 1].x + 28 <= w, "inside the stage at " + where);
						for (i in 1...spans.length)
							c.that(spans[i - 1].x + spans[i - 1].w + 4 <= spans[i].x, '${spans[i - 1].name} touches ${spans[i].name} at $where');
						for (n in ["prev", "number", "next"])
							c.that(at.row.exists(n), '$n left out at $where');
						c.that(!at.row.exists("first") ? !at.row.exists("zoomin") : true, "first before zoom at " + where);
						c.that(!at.row.exists("fullscreen") ? !at.row.exists("first") : true, "full screen before first at " + where);
					}
		});
		c.test("the box widens only for numbers that do not fit", function() {
			c.equal(96, BarLayout.boxWidth(40, 48), "as before");
			c.equal(142, BarLayout.boxWidth(80, 54), "four digits");
		});
	}
}
